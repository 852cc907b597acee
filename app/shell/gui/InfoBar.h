#pragma once
// The "Information" bar: the list of error, warning and information lines that long operations
// fill (the lines, counters and rules are CInfoView's), with its icons, context menu (Copy,
// Clear), and double-click (open a compiler message's file at its line; offer the calibration
// check for an unfinished calibration).

#include "app/framework/gui/DockDlg.h"
#include "core/ui/InfoView.h"

#include <functional>

class QTreeWidget;
namespace ui {
class IQuestions;
}
class QTreeWidgetItem;

class CInfoBar : public fw::CDockDlg, public ui::CInfoView {
    Q_OBJECT
public:
    // `questions` asks what to do about a motor whose calibration did not finish.
    explicit CInfoBar(ui::IQuestions& questions, QWidget* parent = nullptr);

    QTreeWidget* List() const { return m_list; }
    // Copy: the list as text on the clipboard (nothing when there are no lines).
    void Copy();
    int GetHelpTopicAt(const QPoint* screenPoint) const override;

    // What a double-click does, given by the frame: open a file at a line and column (caret not
    // moved when either is below 0); run the calibration wizard for the motor of a data word in
    // verify (true) or re-calibration (false) mode.
    std::function<void(const std::string& file, int line, int column)> openFileAt;
    std::function<void(uint32_t motorDataWord, bool verify)> runCalibration;
    // The context menu's commands go to the frame.
    std::function<void(int id)> sendCommand;
    // The view's own menu (Copy, Clear): its actions send their commands; the caller owns it.
    class QMenu* MakeContextMenu();

    // The double-click on the line at a row.
    void ActivateLine(int row);

protected:
    void OnLineAdded(const ui::CInfoLine& line) override;
    void OnCleared() override;
    void OnShow() override;
    void OnSummary() override;

private:
    void ShowContextMenu(const QPoint& pos);

    ui::IQuestions& m_questions;
    QTreeWidget* m_list;
};

// The texts of the calibration offer of a double-clicked line 1048.
inline constexpr const char* kCalibrationOfferText =
    "Warning!\n\nCalibration has not finished successfully for the detected Quintaloc(TM) motor.";
