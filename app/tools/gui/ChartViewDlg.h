#pragma once
// CChartViewDlg: the chart view's window. It wires the toolbar, the plot picture, the scroll bar,
// the ruler fields and the item list to CChartViewForm, paints the form's picture, and samples on
// its own timer (a tool timer: it holds still while a long operation runs). It gets the motors'
// finder, the question seam and the item dialog from whoever opens it.

#include "app/framework/gui/ToolTimer.h"
#include "app/shell/ToolWindow.h"
#include "app/tools/ChartView.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QScrollBar;
class QSpinBox;
class QToolBar;
class QTreeWidget;
namespace ui {
class IQuestions;
}

// The picture control: shows the chart bitmap and reports clicks and size changes.
class CChartPlot : public QWidget {
    Q_OBJECT
public:
    explicit CChartPlot(QWidget* parent);
    const QImage& Image() const { return m_image; }
    void SetImage(QImage image);
Q_SIGNALS:
    void clicked(int x);
    void resized();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

class CChartViewDlg : public QWidget, public shell::IToolWindow {
    Q_OBJECT
public:
    // Runs the item dialog on a chart item: add mode hands each accepted item to `add` (which
    // answers whether more may follow); properties mode edits the item in place. True on OK.
    using ItemDialog = std::function<bool(QWidget* parent, CChartItem& item, bool addMode,
                                          const std::function<chartview::CChartViewForm::Added(const CChartItem&)>& add)>;

    // `owner`: the window whose end also ends this one (none: it lives on its own).
    CChartViewDlg(WatchMotorFinder find, ui::IQuestions& questions, ItemDialog itemDialog, QWidget* owner = nullptr);
    ~CChartViewDlg() override;

    // Window creation: the profile's values, a new chart, the timer.
    void Show();
    // Where the current port's current motor is (the preset of a new item); none: the defaults.
    std::function<std::pair<int, int>()> currentMotor;
    // Told when the window has closed (the frame clears its slot).
    std::function<void()> onClosed;
    // Opens a topic of the guide (F1).
    std::function<void(const std::string& topic)> showHelp;
    // Whether a dialog holds the project's ports closed or a tool talks to a motor itself (none:
    // never). The poll cycle's switch plays no part: the chart is not one of the polled windows.
    std::function<bool()> portsHeld;

    chartview::CChartViewForm& Form() { return *m_form; }
    QAction* Action(int id) const;
    QMenu* ContextMenu() const { return m_menu; }
    CChartPlot* Plot() const { return m_plot; }
    QTreeWidget* List() const { return m_list; }
    fw::ToolTimer& Timer() { return m_timer; }
    void OnCommand(int id);
    // Redraws the chart and refreshes the list, the ruler fields and the buttons.
    void Refresh();

    // IToolWindow: the chart samples on its own timer, never in the frame's poll cycle.
    bool PollStep() override { return false; }
    bool CanClose() override;
    void RequestClose() override;
    const CMotor* Motor() const override { return nullptr; }
    void ClearModified() { m_form->ClearModified(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Host;
    void BuildToolbar();
    void UpdateButtons();
    void FillList();
    void UpdateRulerFields();
    void OnTimer();
    void AddItem();
    void EditItem();
    void OpenChart();
    void Properties();

    std::unique_ptr<Host> m_host;
    std::unique_ptr<chartview::CChartViewForm> m_form;
    ItemDialog m_itemDialog;
    ui::IQuestions& m_questions;
    QToolBar* m_toolbar = nullptr;
    QMenu* m_menu = nullptr;
    CChartPlot* m_plot = nullptr;
    QScrollBar* m_scroll = nullptr;
    QLineEdit* m_rulerTime = nullptr;
    QSpinBox* m_rulerSample = nullptr;
    QTreeWidget* m_list = nullptr;
    fw::ToolTimer m_timer;
    int m_parameterWidth = 100; // the Parameter column at its least
    bool m_writing = false;  // the window writes its own fields: their handlers stay out
    bool m_closing = false;
    bool m_refreshing = false;
};
