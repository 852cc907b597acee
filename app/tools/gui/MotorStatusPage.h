#pragma once
// The Status page of the motor view (232): the status-bit LEDs with their labels, the inputs and
// I/O LEDs, the model picture with its lamps, the value fields and the two chosen extras. The
// rules are CMotorStatusForm's; this page mirrors them and hands the clicks in.

#include "app/tools/MotorStatusForm.h"
#include "app/tools/gui/PagePollButtons.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tools {
class CModelPictureView;
}

namespace tools::gui {

class CIconButton;

class CMotorStatusPage : public QWidget {
public:
    // `message` shows an error text (a port that would not open); `refresh` wraps the Refresh run
    // (the program-wide polling switch is off meanwhile).
    CMotorStatusPage(QWidget* parent, CMotorStatusForm& form, std::function<void(const std::string&)> message,
                     std::function<void(const std::function<void()>&)> refresh);

    // The form changed (after a poll step or a user action): the controls follow it.
    void Show();
    // The motor's family or identity changed.
    void UpdateForMotor();

    CIconButton* StatusLed(int bit) const { return m_statusLeds[static_cast<size_t>(bit)]; }
    QLabel* StatusLabel(int bit) const { return m_statusLabels[static_cast<size_t>(bit)]; }
    CIconButton* IoLed(int n) const { return m_ioLeds[static_cast<size_t>(n)]; }
    QLineEdit* Field(int id) const;
    QPushButton* PollButton() const { return m_buttons.poll; }
    tools::CModelPictureView* Picture() const { return m_picture; }

private:
    CMotorStatusForm& m_form;
    std::function<void(const std::string&)> m_message;
    std::function<void(const std::function<void()>&)> m_refreshScope;
    PagePollButtons m_buttons;
    QPushButton* m_clearFlags;
    QCheckBox* m_scaled;
    QCheckBox* m_hex;
    QComboBox* m_extra1;
    QComboBox* m_extra2;
    QLabel* m_address;
    QLabel* m_firmware;
    QLabel* m_model;
    QLabel* m_ioTitle;
    QLabel* m_ioNote;
    QLabel* m_inputTitle;
    tools::CModelPictureView* m_picture;
    std::array<QLineEdit*, 6> m_fields{};
    std::array<CIconButton*, status::kStatusBits> m_statusLeds{};
    std::array<QLabel*, status::kStatusBits> m_statusLabels{};
    std::array<CIconButton*, status::kInputs> m_inputLeds{};
    std::array<QLabel*, status::kInputs> m_inputLabels{};
    std::array<CIconButton*, status::kIoPins> m_ioLeds{};
    std::array<QLabel*, status::kIoPins> m_ioLabels{};
    bool m_showing = false;
};

} // namespace tools::gui
