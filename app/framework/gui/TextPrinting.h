#pragma once
// Printing of a text view's document, as a rich-edit view prints: its text with its fonts and
// colours (also those a highlighter lays over it), wrapped to the page, lines never cut at a page
// end, within the view's margins; all pages, a range of them, or the selection. One program-wide
// printer keeps the user's choice of printer and paper from one job to the next (Print Setup, the
// print dialog).

#include <QMarginsF>

#include <functional>
#include <string>

class QPrinter;
class QTextCursor;
class QTextDocument;
class QWidget;

namespace fw {

// The program's printer.
QPrinter& AppPrinter();

// What is printed of a document.
struct PrintSource {
    const QTextDocument* document = nullptr;
    const QTextCursor* selection = nullptr; // printed instead of the whole text when the printer's range says so
    QMarginsF marginsPt{36, 36, 36, 36};    // from the paper's edges, in points
    qreal tabStopChars = 4;                 // tab width in blanks of the document's font
};

// Prints on the printer (its page range and selection choice apply). Returns the number of pages
// printed, or -1 with *error set when the printer could not be used (nothing was printed).
int PrintText(const PrintSource& source, QPrinter& printer, std::string* error);

// The print dialog the caller is handed: true to print (the dialog set the printer's choice),
// offering the selection when there is one.
using PrintChooser = std::function<bool(QPrinter& printer, bool hasSelection)>;

// The commands. Print asks through `choose` first, or (direct) prints the whole text at once on
// the program's printer; false with *error set when printing failed, true otherwise (also when
// the user cancelled). The preview shows the pages until the user closes it (or prints from it); Print
// Setup chooses the printer's paper.
bool Print(const PrintSource& source, const PrintChooser& choose, bool direct, std::string* error);
void PrintPreview(const PrintSource& source, QWidget* parent);
void PrintSetup(QWidget* parent);

} // namespace fw
