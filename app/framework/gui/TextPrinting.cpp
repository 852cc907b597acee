#include "app/framework/gui/TextPrinting.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <memory>

namespace fw {
namespace {

// A highlighter's formats live in the blocks' layouts, not in the text: they are carried over to
// the copy, shifted by the characters the copy's block lacks at its start.
void CopyFormats(const QTextBlock& from, const QTextBlock& to, int shift)
{
    QList<QTextLayout::FormatRange> ranges;
    const int length = to.length();
    for (QTextLayout::FormatRange r : from.layout()->formats()) {
        int start = r.start - shift;
        int end = start + r.length;
        start = std::max(start, 0);
        end = std::min(end, length);
        if (end <= start)
            continue;
        r.start = start;
        r.length = end - start;
        ranges.append(r);
    }
    to.layout()->setFormats(ranges);
}

// The text to print as a document of its own: the whole text, or the selected part of it.
std::unique_ptr<QTextDocument> PrintCopy(const QTextDocument& source, const QTextCursor* selection)
{
    std::unique_ptr<QTextDocument> copy(source.clone());
    int first = 0, shift = 0;
    if (selection && selection->hasSelection()) {
        const int start = selection->selectionStart();
        const int end = selection->selectionEnd();
        QTextCursor cut(copy.get());
        cut.setPosition(end);
        cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
        cut.setPosition(0);
        cut.setPosition(start, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
        const QTextBlock startBlock = source.findBlock(start);
        first = startBlock.blockNumber();
        shift = start - startBlock.position();
    }
    QTextBlock to = copy->firstBlock();
    for (QTextBlock from = source.findBlockByNumber(first); from.isValid() && to.isValid();
         from = from.next(), to = to.next(), shift = 0)
        CopyFormats(from, to, shift);
    return copy;
}

std::string PrinterName(const QPrinter& printer)
{
    if (!printer.outputFileName().isEmpty())
        return printer.outputFileName().toStdString();
    return printer.printerName().isEmpty() ? std::string("the printer") : printer.printerName().toStdString();
}

} // namespace

QPrinter& AppPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

int PrintText(const PrintSource& source, QPrinter& printer, std::string* error)
{
    if (!source.document)
        return 0;
    const bool selectionOnly = printer.printRange() == QPrinter::Selection && source.selection &&
                               source.selection->hasSelection();
    std::unique_ptr<QTextDocument> doc = PrintCopy(*source.document, selectionOnly ? source.selection : nullptr);

    printer.setFullPage(false);
    printer.setPageMargins(source.marginsPt, QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = "The document could not be printed: \"" + PrinterName(printer) + "\" cannot be used.";
        return -1;
    }

    // Laid out for the printer itself: its fonts' measures, lines wrapped to the page's width.
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    layout->setPaintDevice(&printer);
    const QFont font = source.document->defaultFont();
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(std::max<qreal>(1, source.tabStopChars) *
                              QFontMetricsF(font, &printer).horizontalAdvance(QLatin1Char(' ')));
    doc->setDefaultTextOption(option);
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    doc->setPageSize(page);

    const int pages = doc->pageCount();
    int from = 1, to = pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::min(printer.fromPage(), pages);
        to = std::clamp(printer.toPage() > 0 ? printer.toPage() : pages, from, pages);
    }
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    int printed = 0;
    for (int p = from; p <= to; ++p) {
        if (printed > 0 && !printer.newPage())
            break;
        const QRectF body(0, (p - 1) * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -body.top());
        painter.setClipRect(body);
        // Only the lines of this page are drawn: a line that touches the page's edge from the
        // next (or last) page would still be written, unseen, into the printer's data.
        context.clip = body.adjusted(0, 0.5, 0, -0.5);
        layout->draw(&painter, context);
        painter.restore();
        ++printed;
    }
    painter.end();
    return printed;
}

bool Print(const PrintSource& source, const PrintChooser& choose, bool direct, std::string* error)
{
    QPrinter& printer = AppPrinter();
    const bool hasSelection = source.selection && source.selection->hasSelection();
    if (direct) {
        printer.setPrintRange(QPrinter::AllPages);
    } else {
        if (printer.printRange() == QPrinter::Selection && !hasSelection)
            printer.setPrintRange(QPrinter::AllPages);
        if (!choose || !choose(printer, hasSelection))
            return true;
    }
    return PrintText(source, printer, error) >= 0;
}

void PrintPreview(const PrintSource& source, QWidget* parent)
{
    QPrinter& printer = AppPrinter();
    printer.setPrintRange(QPrinter::AllPages); // the preview shows the whole text
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&source](QPrinter* target) { PrintText(source, *target, nullptr); });
    dialog.exec();
}

void PrintSetup(QWidget* parent)
{
    QPageSetupDialog dialog(&AppPrinter(), parent);
    dialog.exec();
}

} // namespace fw
