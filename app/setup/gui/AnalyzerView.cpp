#include "app/setup/gui/AnalyzerView.h"

#include "app/framework/gui/Text8.h"
#include "core/analyzer/SerialDataAnalyzer.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <mutex>

namespace {

QColor ToQColor(platform::rtf::ColorRef c)
{
    return QColor(platform::rtf::RedOf(c), platform::rtf::GreenOf(c), platform::rtf::BlueOf(c));
}

// Rows are 8-bit text (the mark byte 0x85 is the code page's ellipsis).
QString RowString(const std::string& text) { return fw::ToQt(text); }

std::unique_lock<std::recursive_mutex> LockOf(CSerialDataAnalyzer* analyzer)
{
    return analyzer ? analyzer->Lock() : std::unique_lock<std::recursive_mutex>();
}

} // namespace

CSdaView::CSdaView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("1376"));
    verticalScrollBar()->setObjectName(QStringLiteral("1375"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    SetLook({});
}

void CSdaView::SetLook(const sda::Look& look)
{
    m_look = look;
    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setFamilies({QStringLiteral("Courier New"), m_font.family()});
    m_font.setPointSize(std::max(look.fontPoints, 6));
    const QFontMetrics metrics(m_font);
    m_rowHeight = std::max(metrics.height(), 1);
    m_charWidth = std::max(metrics.horizontalAdvance(QLatin1Char('0')), 1);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Base, ToQColor(look.background));
    p.setColor(QPalette::Window, ToQColor(look.background));
    viewport()->setPalette(p);
    Refresh();
}

void CSdaView::SetPage(CSerialDataAnalyzer* analyzer, CSdaPage* page)
{
    m_analyzer = analyzer;
    m_page = page;
    Refresh();
    if (m_page) {
        auto lock = LockOf(m_analyzer);
        EnsureVisible(RowOfSelectionEnd());
    }
}

int CSdaView::RowsOnScreen() const { return std::max(viewport()->height() / m_rowHeight, 1); }

int CSdaView::TopRow() const { return verticalScrollBar()->value(); }

void CSdaView::Refresh()
{
    int rows = 0;
    int width = 0;
    if (m_page) {
        auto lock = LockOf(m_analyzer);
        rows = m_page->LineCount();
        width = m_page->ComputeRowWidth();
        m_page->visibleRows = RowsOnScreen();
        // A page that follows the traffic keeps its newest row in view.
        if (rows > 0 && m_page->selStartLine == m_page->LastLine()) {
            verticalScrollBar()->setRange(0, std::max(rows - RowsOnScreen(), 0));
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        }
    }
    verticalScrollBar()->setRange(0, std::max(rows - RowsOnScreen(), 0));
    verticalScrollBar()->setPageStep(RowsOnScreen());
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(width * m_charWidth - viewport()->width(), 0));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

void CSdaView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Refresh();
}

void CSdaView::scrollContentsBy(int, int) { viewport()->update(); }

void CSdaView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(m_font);
    m_rowsDrawn = 0;
    if (!m_page)
        return;
    auto lock = LockOf(m_analyzer);
    const int top = TopRow();
    const int count = m_page->LineCount();
    const int x0 = -horizontalScrollBar()->value();
    const int ascent = QFontMetrics(m_font).ascent();
    // The selection in (row, column), ordered.
    int a = SdaDistance(m_page->FirstLine(), m_page->selStartLine), ac = m_page->selStartColumn;
    int b = SdaDistance(m_page->FirstLine(), m_page->selEndLine), bc = m_page->selEndColumn;
    if (a > b || (a == b && ac > bc)) {
        std::swap(a, b);
        std::swap(ac, bc);
    }
    const bool anySelection = !(a == b && ac == bc);
    const QColor highlight = palette().color(QPalette::Highlight);
    for (int k = top; k < count && k <= top + RowsOnScreen(); ++k) {
        const int y = (k - top) * m_rowHeight;
        if (anySelection && k >= a && k <= b) {
            const int from = k == a ? ac : 0;
            const int to = k == b ? bc : m_page->ComputeRowWidth();
            painter.fillRect(x0 + from * m_charWidth, y, (to - from) * m_charWidth, m_rowHeight, highlight);
        }
        int column = 0;
        for (const sda::RowPiece& piece : sda::RenderRow(*m_page, k)) {
            painter.setPen(ToQColor(m_look.colors[static_cast<size_t>(piece.kind)]));
            painter.drawText(x0 + column * m_charWidth, y + ascent, RowString(piece.text));
            column += static_cast<int>(piece.text.size());
        }
        ++m_rowsDrawn;
    }
    // The caret of an empty selection.
    if (!anySelection && a >= top && a <= top + RowsOnScreen() && count > 0) {
        painter.setPen(palette().color(QPalette::Text));
        const int x = x0 + ac * m_charWidth;
        painter.drawLine(x, (a - top) * m_rowHeight, x, (a - top + 1) * m_rowHeight - 1);
    }
}

int CSdaView::RowOfSelectionEnd() const
{
    return m_page ? SdaDistance(m_page->FirstLine(), m_page->selEndLine) : 0;
}

void CSdaView::EnsureVisible(int row)
{
    if (row < TopRow())
        verticalScrollBar()->setValue(row);
    else if (row >= TopRow() + RowsOnScreen())
        verticalScrollBar()->setValue(row - RowsOnScreen() + 1);
}

void CSdaView::MoveSelection(int row, int column, bool extend)
{
    if (!m_page)
        return;
    auto lock = LockOf(m_analyzer);
    if (m_page->LineCount() == 0)
        return;
    row = std::clamp(row, 0, m_page->LineCount() - 1);
    column = std::clamp(column, 0, m_page->ComputeRowWidth());
    const int ring = (m_page->FirstLine() + row) % SDA_RING;
    m_page->selEndLine = ring;
    m_page->selEndColumn = column;
    if (!extend) {
        m_page->selStartLine = ring;
        m_page->selStartColumn = column;
    }
    EnsureVisible(row);
    viewport()->update();
}

std::pair<int, int> CSdaView::HitTest(const QPoint& p) const
{
    const int row = TopRow() + p.y() / m_rowHeight;
    const int column = (p.x() + horizontalScrollBar()->value() + m_charWidth / 2) / m_charWidth;
    return {row, column};
}

void CSdaView::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (event->button() == Qt::RightButton) {
        Q_EMIT contextMenuWanted(event->globalPosition().toPoint());
        return;
    }
    const auto [row, column] = HitTest(event->position().toPoint());
    MoveSelection(row, column, event->modifiers() & Qt::ShiftModifier);
}

void CSdaView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const auto [row, column] = HitTest(event->position().toPoint());
    MoveSelection(row, column, true);
}

void CSdaView::keyPressEvent(QKeyEvent* event)
{
    if (!m_page) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int row = RowOfSelectionEnd();
    int column = m_page->selEndColumn;
    const int last = std::max(m_page->LineCount() - 1, 0);
    switch (event->key()) {
    case Qt::Key_PageUp:
        if (ctrl)
            Q_EMIT tabStep(-1);
        else
            MoveSelection(row - RowsOnScreen(), column, shift);
        return;
    case Qt::Key_PageDown:
        if (ctrl)
            Q_EMIT tabStep(1);
        else
            MoveSelection(row + RowsOnScreen(), column, shift);
        return;
    case Qt::Key_Home: MoveSelection(ctrl ? 0 : row, 0, shift); return;
    case Qt::Key_End: MoveSelection(ctrl ? last : row, m_page->ComputeRowWidth(), shift); return;
    case Qt::Key_Left: MoveSelection(row, column - 1, shift); return;
    case Qt::Key_Right: MoveSelection(row, column + 1, shift); return;
    case Qt::Key_Up:
        if (ctrl)
            verticalScrollBar()->setValue(TopRow() - 1);
        else
            MoveSelection(row - 1, column, shift);
        return;
    case Qt::Key_Down:
        if (ctrl)
            verticalScrollBar()->setValue(TopRow() + 1);
        else
            MoveSelection(row + 1, column, shift);
        return;
    default: break;
    }
    Q_EMIT keyForSendBar(event);
}
