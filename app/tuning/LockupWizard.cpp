#include "app/tuning/LockupWizard.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"

#include <chrono>
#include <cstdio>

namespace tuning {
namespace lockup {
const char* const kWelcomeText =
    "Welcome to the Communication Lock-up Recovery Wizard. This wizard helps you to recover from a communication "
    "lock-up due to a user program in a Tessaraxon(TM).\r\n\r\nThis program can recover communication only when "
    "either:\r\n     - There is only one Tessaraxon(TM) connected to the host, or,\r\n     - You know that the "
    "communication lock-up is due to a user program in the first (and only the first) motor in an RS-232 daisy "
    "chain.\r\n\r\nPlease power down the Tessaraxon(TM), maintaining the RS-232 connection.\r\n\r\nOnly after making "
    "sure that the motor is off, click the \"Continue\" button to proceed.";
const char* const kPowerUpText =
    "Now apply power to the Tessaraxon(TM).\r\n\r\nOnly after making sure that the motor is on, click the "
    "\"Continue\" button.";
const char* const kContactText =
    "Communication with the motor has been established successfully.\r\n\r\nFirst, press \"Upload program\" to upload "
    "the program for analysis, if desired.\r\n\r\nPress \"Clear EEPROM\" to download a program consisting of the "
    "\"END\" command.";
const char* const kErrorText =
    "Error: %s\r\n\r\nPower down the Tessaraxon(TM), and after making sure that the motor is off, click the "
    "\"Continue\" button to try again.";
const char* const kNotCalibratedQuestion =
    "WARNING: The motor is not calibrated, so it cannot move.\n\nDo you want to reset and calibrate motor now?";
const char* const kNotClearedQuestion =
    "WARNING: You have not cleared the motor EEPROM. If you reset the motor, you may lose the communication "
    "again.\n\nDo you still want to reset the motor?";
} // namespace lockup

namespace {

std::string ErrorMessage(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

std::string WithMessage(const char* format, const std::string& message)
{
    const std::string f(format);
    const size_t at = f.find("%s");
    return at == std::string::npos ? f : f.substr(0, at) + message + f.substr(at + 2);
}

} // namespace

CLockupWizard::CLockupWizard(std::vector<CCommPort*> ports, CCommPort* current, platform::Clock& clock,
                             ui::IQuestions& questions, LockupSurroundings surroundings)
    : m_clock(clock), m_questions(questions), m_around(std::move(surroundings)), m_text(lockup::kWelcomeText)
{
    for (CCommPort* port : ports) {
        if (!port || !port->IsSerial())
            continue;
        if (port == current)
            m_selected = static_cast<int>(m_ports.size());
        m_ports.push_back(port);
        m_names.push_back(port->Name);
    }
    if (m_selected < 0 && !m_ports.empty())
        m_selected = 0;
}

CLockupWizard::~CLockupWizard() = default;

void CLockupWizard::Select(int index)
{
    if (index >= 0 && index < static_cast<int>(m_ports.size()) && ComboEnabled())
        m_selected = index;
}

int CLockupWizard::ContactAddress() const
{
    CMotor* first = m_port ? m_port->motors.GetAt(0) : nullptr;
    return first ? first->Address : 1;
}

std::unique_ptr<CMotor> CLockupWizard::ContactMotor() const
{
    if (!m_port)
        return nullptr;
    // A motor of its own for the operation (freed after it), with what detection read of the
    // motor at that address.
    auto motor = std::make_unique<CMotor>();
    const int address = ContactAddress();
    if (CMotor* found = m_port->GetMotor(address)) {
        motor->shared = true;
        *motor = *found;
    }
    motor->Address = address;
    motor->SetPort(m_port);
    char name[160];
    std::snprintf(name, sizeof name, "Motor Address=%d in port \"%s\"", address, m_port->Name.c_str());
    motor->Name = name;
    return motor;
}

void CLockupWizard::OnContinue()
{
    if (m_running) {
        m_continuePressed = true;
        m_continueVisible = false;
        return;
    }
    if (m_selected < 0 || m_selected >= static_cast<int>(m_ports.size()))
        return; // no port to work on: Continue is not offered
    m_text = lockup::kPowerUpText;
    m_port = m_ports[static_cast<size_t>(m_selected)];
    m_comboEnabled = false;
    m_contact = false;
    m_continuePressed = false;
    m_closeRequested = false;
    m_savedBaud = m_port->BitPerSec != lockup::kLoopBaud ? m_port->BitPerSec : 0;
    RunLoop();
}

void CLockupWizard::RunLoop()
{
    using namespace std::chrono;
    if (m_around.waitCursor)
        m_around.waitCursor(true);
    try {
        if (!m_port->isOpen)
            m_port->OpenPort();
        m_port->SetMotorsBaudRate(lockup::kLoopBaud);
        m_running = true;
        bool seen = false;
        platform::TimePoint continuedAt{};
        for (;;) {
            if (!m_around.writeByte || !m_around.writeByte(*m_port, 'E'))
                throw CVQXException(CVQXException::WriteError);
            if (seen) {
                if (m_clock.Now() - continuedAt > milliseconds(lockup::kSendAfterContinueMs))
                    break;
            } else {
                if (m_around.pump)
                    m_around.pump();
                if (m_continuePressed) {
                    continuedAt = m_clock.Now();
                    seen = true;
                    if (m_around.waitCursor)
                        m_around.waitCursor(true);
                }
            }
            m_clock.SleepFor(milliseconds(lockup::kSendEveryMs));
            if (m_closeRequested)
                throw CVQXException(CVQXException::Silent, "Stopped!");
        }
        m_clock.SleepFor(milliseconds(lockup::kPauseBeforeDetectMs));
        m_running = false;
        // The echoes of the "E"s are no reply to anything that follows.
        m_port->ClearBuffer();
        RestoreBaud(false);
        if (!m_around.detectPort || !m_around.detectPort(*m_port))
            throw CVQXException(CVQXException::Silent, "No motor was found!");
        m_text = lockup::kContactText;
        m_contact = true;
        if (m_around.pump)
            m_around.pump();
    } catch (const CVQXException& e) {
        m_text = WithMessage(lockup::kErrorText, ErrorMessage(e));
        m_comboEnabled = true;
        m_continueVisible = true;
        m_running = false;
        if (m_closeRequested) {
            m_clock.SleepFor(milliseconds(100));
            try {
                m_port->ClearBuffer();
            } catch (const CVQXException&) {
            }
        }
        RestoreBaud(true);
    }
    m_running = false;
    if (m_around.waitCursor)
        m_around.waitCursor(false);
    // A Close pressed while the loop ran ends the window now that nothing of it is on the stack.
    if (m_closeRequested)
        m_finished = true;
}

void CLockupWizard::RestoreBaud(bool quiet)
{
    if (!m_savedBaud || !m_port)
        return;
    const int baud = m_savedBaud;
    m_savedBaud = 0;
    try {
        m_port->SetMotorsBaudRate(baud);
    } catch (const CVQXException&) {
        if (!quiet)
            throw;
    }
}

void CLockupWizard::OnUpload()
{
    if (auto motor = ContactMotor(); motor && m_around.uploadProgram)
        m_around.uploadProgram(*motor);
}

void CLockupWizard::OnClear()
{
    if (auto motor = ContactMotor(); motor && m_around.clearEEPROM && m_around.clearEEPROM(*motor))
        m_eepromCleared = true;
}

void CLockupWizard::OnClose()
{
    m_closeRequested = true;
    if (m_running)
        return; // the loop stops at its next round and the window ends after it
    CMotor* first = m_port ? m_port->motors.GetAt(0) : nullptr;
    if (first && first->IsVersion462()) {
        const uint32_t style = ui::MB_YESNO | ui::MB_ICONEXCLAMATION;
        if (ui::OptionMessageBox(m_questions, lockup::kNotCalibratedQuestion, style, lockup::kTitle) == ui::IDYES) {
            if (!m_eepromCleared &&
                ui::OptionMessageBox(m_questions, lockup::kNotClearedQuestion, style, lockup::kTitle) != ui::IDYES)
                return;
            try {
                first->SendCommand("Z");
            } catch (const CVQXException& e) {
                ui::OptionMessageBox(m_questions, ErrorMessage(e), ui::MB_OK | ui::MB_ICONERROR, lockup::kTitle);
            }
        }
    }
    m_finished = true;
}

} // namespace tuning
