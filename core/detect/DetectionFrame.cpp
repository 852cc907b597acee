// The shared parts of every detection.
#include "core/detect/DetectionFrame.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/MotorLink.h"
#include "core/ui/OperationContext.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"

#include <algorithm>
#include <cstdio>
#include <vector>

// ---- progress --------------------------------------------------------------------------------

void CDetectionProgress::Open(const std::string& text, const std::string& subText, bool cancellable,
                              bool clearCancelled)
{
    if (!m_shown)
        return;
    ui::IProgress& p = m_progress;
    m_opened = p.Show(text, subText);
    if (!m_opened)
        p.SetText(text, subText); // a dialog of the caller is already up: borrow it
    if (!cancellable)
        p.SetCancelVisible(false);
    if (clearCancelled)
        p.ClearCancelled();
}

void CDetectionProgress::Total(int64_t steps)
{
    if (m_shown)
        m_progress.SetTotal(steps);
}

bool CDetectionProgress::Step(int64_t reached) { return !m_shown || m_progress.Step(reached); }

void CDetectionProgress::SubText(const std::string& text)
{
    if (m_shown)
        m_progress.SetText(std::nullopt, text);
}

void CDetectionProgress::Close()
{
    if (m_opened)
        m_progress.Close();
    m_opened = false;
}

// ---- strict echo -----------------------------------------------------------------------------

CStrictEchoScope::CStrictEchoScope(CCommPort& port) : m_port(port), m_previous(port.ForceStrictEcho(true)) {}

CStrictEchoScope::~CStrictEchoScope() { Restore(); }

void CStrictEchoScope::Restore()
{
    if (m_restored)
        return;
    m_port.ForceStrictEcho(m_previous);
    m_restored = true;
}

// ---- waking ----------------------------------------------------------------------------------

void CWakeAllOnExit::WakeNow()
{
    m_done = true;
    m_port.WriteCommand(m_channel1 ? "WAKE1" : "WAKE", 0, false);
}

void CWakeAllOnExit::Wake() noexcept
{
    if (m_done)
        return;
    m_done = true;
    try {
        if (m_port.isOpen)
            m_port.WriteCommand(m_channel1 ? "WAKE1" : "WAKE", 0, false);
    } catch (...) {
    }
}

// ---- the motor list --------------------------------------------------------------------------

std::string DetectedMotorName(int address, const CCommPort& port)
{
    char name[300];
    std::snprintf(name, sizeof name, "Motor%d-%s", address, port.Name.c_str());
    return name;
}

namespace {

std::vector<CMotor*> ListOf(const CCommPort& port)
{
    std::vector<CMotor*> items;
    for (int i = 0; i < port.motors.GetCount(); ++i)
        items.push_back(port.motors.GetAt(i));
    return items;
}

// Puts the pointers back in the given order without deleting any (indexes follow when owned).
void ReplaceList(CCommPort& port, const std::vector<CMotor*>& items)
{
    const bool borrowed = port.motors.borrowed;
    port.motors.borrowed = true;
    port.motors.Clear();
    port.motors.borrowed = borrowed;
    for (CMotor* m : items)
        port.motors.Add(m);
}

void ClearTableEntry(CCommPort& port, CMotor* motor)
{
    for (CMotor*& entry : port.addressTable)
        if (entry == motor)
            entry = nullptr;
}

} // namespace

void EmptyMotorList(CCommPort& port)
{
    port.motors.Clear();
    std::fill(port.addressTable.begin(), port.addressTable.end(), nullptr);
    port.calibrationWarnings = 0;
}

CMotor* EnterDetectedMotor(CCommPort& port, int address, std::unique_ptr<CMotor> made)
{
    if (address < 1 || address > MAX_MOTOR_ADDRESS || port.motors.GetCount() >= CMotorList::Capacity)
        throw CVQXException(CVQXException::InvalidData, MakeMotorDataWord(port.id, address));
    if (address > port.MaxMotors)
        port.SetMaxMotors(address);
    if (port.GetMotor(address) != nullptr)
        throw CVQXException(CVQXException::InvalidData, MakeMotorDataWord(port.id, address));
    CMotor* motor = made ? made.release() : new CMotor;
    motor->Address = address;
    motor->Name = DetectedMotorName(address, port);
    motor->SetPort(&port);
    port.motors.Add(motor);
    port.addressTable[static_cast<size_t>(address)] = motor;
    // A link that detection connected logs into the port's analyzer page from now on, as the
    // links the port connects itself do; a port outside a project (id -1) has no page.
    if (port.id >= 0 && (motor->Socket || motor->USBCom))
        motor->Link()->SetTrafficLog(port.Context().TrafficLog(), port.id);
    return motor;
}

void RemoveDetectedMotor(CCommPort& port, CMotor* motor)
{
    std::vector<CMotor*> items = ListOf(port);
    const auto it = std::find(items.begin(), items.end(), motor);
    if (it == items.end())
        return;
    items.erase(it);
    ClearTableEntry(port, motor);
    ReplaceList(port, items);
    if (!port.motors.borrowed)
        delete motor;
}

bool MoveDetectedMotor(CCommPort& port, CMotor* motor, int address)
{
    if (address < 1 || address > MAX_MOTOR_ADDRESS)
        return false;
    if (address > port.MaxMotors)
        port.SetMaxMotors(address); // rebuilds the table from the list
    CMotor* holder = port.GetMotor(address);
    if (holder != nullptr && holder != motor)
        return false;
    ClearTableEntry(port, motor);
    motor->Address = address;
    motor->Name = DetectedMotorName(address, port);
    port.addressTable[static_cast<size_t>(address)] = motor;
    return true;
}

void OrderByAddress(CCommPort& port, CMotor* motor)
{
    std::vector<CMotor*> items = ListOf(port);
    const auto at = std::find(items.begin(), items.end(), motor);
    if (at == items.end())
        return;
    const auto greater =
        std::find_if(items.begin(), at, [motor](const CMotor* m) { return m->Address > motor->Address; });
    if (greater == at)
        return;
    std::rotate(greater, at, at + 1);
    ReplaceList(port, items);
}

void SwapListPositions(CCommPort& port, int a, int b)
{
    std::vector<CMotor*> items = ListOf(port);
    if (a == b || a < 0 || b < 0 || a >= static_cast<int>(items.size()) || b >= static_cast<int>(items.size()))
        return;
    std::swap(items[static_cast<size_t>(a)], items[static_cast<size_t>(b)]);
    ReplaceList(port, items);
}

int LowestFreeAddress(const CCommPort& port)
{
    for (int k = 1; k <= port.MaxMotors; ++k)
        if (port.GetMotor(k) == nullptr)
            return k;
    return 0;
}

bool MatchReferencePort(CCommPort& port, CMotor* motor, const CCommPort* reference,
                        const std::function<std::string(const CMotor&)>& linkText)
{
    if (reference == nullptr)
        return false;
    const CMotor* defined = reference->FindMotorByUid(motor->SerialNumber);
    if (defined == nullptr && linkText) {
        const std::string own = linkText(*motor);
        for (int i = 0; i < reference->motors.GetCount() && !own.empty(); ++i) {
            const CMotor* m = reference->motors.GetAt(i);
            if (linkText(*m) == own) {
                defined = m;
                break;
            }
        }
    }
    if (defined == nullptr || defined->Address == motor->Address)
        return false;
    if (!MoveDetectedMotor(port, motor, defined->Address)) {
        // Another detected motor holds it: two motors on one address would both answer.
        char text[600];
        std::snprintf(text, sizeof text, "The motor \"%s\" keeps address %d: address %d of \"%s\" is taken.",
                      motor->Name.c_str(), motor->Address, defined->Address, defined->Name.c_str());
        port.Context().Info().AddWarning(text);
        return false;
    }
    return true;
}

void ReadDetectedIdentity(CMotor& motor)
{
    motor.ReadVersion();
    if (!motor.IdentityUnreadable())
        return;
    motor.Context().Info().AddWarning("The identity of the motor \"" + motor.Name + "\" could not be read" +
                          (motor.Version.empty() ? ": its firmware version is unknown."
                                                 : "; its firmware version is taken from its factory data."));
}

// ---- calibration -----------------------------------------------------------------------------

std::string CalibrationWarningText(const std::string& motorName)
{
    return "The motor \"" + motorName +
           "\" has not finished calibration successfully. Please double click here to Verify Calibration or "
           "ReCalibrate the motor.";
}

void SimpleCalibrationCheck(CCommPort& port, CMotor& motor)
{
    if (!port.Context().CalibrationChecksShown() || !motor.IsVersion462())
        return;
    const std::string reply = motor.SendAndReceive("RBn");
    if (reply.empty() || reply[0] != '1')
        return;
    // The text asks for a double-click; as a plain warning line the double-click would do nothing,
    // so the line carries the code and motor word that make it offer the calibration check. The
    // port's count still grows by 1, as for a warning with a named cause.
    port.Context().Info().AddCalibrationWarning(CalibrationWarningText(motor.Name), MakeMotorDataWord(port.id, motor.Address));
    port.calibrationWarnings += 1;
}
