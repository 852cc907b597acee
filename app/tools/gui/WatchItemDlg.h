#pragma once
// The watch item dialog (151): "Add new Monitor Item", "Monitor Item Properties" and the chart's
// forms. The rules are CWatchItemForm's; this window mirrors its values into the controls.

#include "app/tools/WatchItemForm.h"

#include <QDialog>

#include <functional>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace ui {
class IQuestions;
}

// What the dialog needs of whoever opens it.
struct WatchDlgServices {
    std::function<tools::WatchTarget(int portIndex, int address)> target; // the motor as shown
    // The Select Motor dialog from the key (address << 16 | port index); none when cancelled.
    std::function<std::optional<tools::WatchTarget>(uint32_t key)> chooseMotor;
    // Add mode: hands a finished item to the window (the answer as CWatchList::OnAddWatchItem).
    std::function<CWatchItem*(CWatchItem*)> add;
    ui::IQuestions* questions = nullptr;
    // Opens a page of the user guide (the Help button).
    std::function<void(const std::string& topic)> help;
};

class CWatchItemDlg : public QDialog {
    Q_OBJECT
public:
    // Add mode (item->SlotIndex below 0): the dialog owns `item` and the copies it goes on with,
    // and deletes the one it holds when it closes without handing it over.
    CWatchItemDlg(QWidget* parent, CWatchItem* item, bool allowMotorChange, WatchDlgServices services,
                  bool chart = false, int32_t minimum = 0, int32_t maximum = 0);
    ~CWatchItemDlg() override;

    tools::CWatchItemForm& Form() { return m_form; }
    QTreeWidget* List() const { return m_list; }
    QLineEdit* CaptionEdit() const { return m_caption; }
    QLineEdit* PollCommandEdit() const { return m_poll; }
    QLineEdit* BitsEdit() const { return m_bits; }
    QCheckBox* BitMaskBox() const { return m_bitMask; }
    QPushButton* OkButton() const { return m_ok; }
    QAbstractButton* KindButton(int kind) const;

    QPushButton* HelpButton() const { return m_help; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Show();
    void Refill();
    void Message(const std::string& text, uint32_t icon);

    tools::CWatchItemForm m_form;
    WatchDlgServices m_services;
    bool m_owned = false;
    bool m_showing = false;
    QLabel* m_motorName;
    QLabel* m_motorVersion;
    QPushButton* m_motorButton;
    QLineEdit* m_caption;
    QButtonGroup* m_kinds;
    QTreeWidget* m_list;
    QLineEdit* m_poll;
    QCheckBox* m_bitMask;
    QLineEdit* m_bits;
    QComboBox* m_text0;
    QComboBox* m_text1;
    QComboBox* m_textNA;
    QLineEdit* m_turnOn;
    QLineEdit* m_turnOff;
    QSpinBox* m_min;
    QSpinBox* m_max;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
    bool m_placed = false;
};
