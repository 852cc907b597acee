#pragma once
// The analyzer's display (control 1376): a row view with its own scroll bar (1375) that draws
// only the rows on screen, straight from the page, and keeps a (row, column) selection. Keys,
// wheel and clicks as the analyzer window wants them; rows come from sda::RenderRow.

#include "app/setup/AnalyzerRows.h"

#include <QAbstractScrollArea>

class CSdaPage;
class CSerialDataAnalyzer;

class CSdaView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CSdaView(QWidget* parent = nullptr);
    // The page shown (null: none); the analyzer is locked while the page is read.
    void SetPage(CSerialDataAnalyzer* analyzer, CSdaPage* page);
    CSdaPage* Page() const { return m_page; }
    void SetLook(const sda::Look& look);
    // Brings the scroll bar in line with the page (after rows were added or rebuilt).
    void Refresh();
    // The first row on screen (0 = oldest) and how many fit.
    int TopRow() const;
    int RowsOnScreen() const;
    int RowHeight() const { return m_rowHeight; }
    int CharWidth() const { return m_charWidth; }
    // Rows drawn by the last paint (for the benchmark and tests).
    int RowsDrawn() const { return m_rowsDrawn; }

Q_SIGNALS:
    void contextMenuWanted(const QPoint& globalPos);
    void keyForSendBar(QKeyEvent* event);
    void tabStep(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // The selection's end as (row, column) with rows counted from the oldest.
    void MoveSelection(int row, int column, bool extend);
    void EnsureVisible(int row);
    int RowOfSelectionEnd() const;
    std::pair<int, int> HitTest(const QPoint& p) const;

    CSerialDataAnalyzer* m_analyzer = nullptr;
    CSdaPage* m_page = nullptr;
    sda::Look m_look;
    QFont m_font;
    int m_rowHeight = 16;
    int m_charWidth = 8;
    int m_rowsDrawn = 0;
};
