#include "app/tuning/TuningMotorLink.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Progress.h"
#include "scanner/Scanner.h"

namespace tuning {
namespace {

// Closes the please-wait dialog however the step ends.
class WaitDialog {
public:
    WaitDialog(ui::IProgress& progress, const char* text) : m_progress(progress)
    {
        m_progress.Show(std::string(text), std::nullopt);
        m_progress.SetCancelVisible(false);
    }
    ~WaitDialog() { m_progress.Close(); }

private:
    ui::IProgress& m_progress;
};

} // namespace

CCommPort& CTuningMotorLink::Port()
{
    CCommPort* port = m_motor.GetPort();
    if (!port)
        throw CVQXException(CVQXException::PortNotOpen, "The motor \"" + m_motor.Name + "\" has no port.");
    return *port;
}

uint32_t CTunerBackupOps::ReadSerial(CMotor& motor)
{
    if (m_identityOf == &motor) {
        m_identityOf = nullptr;
        return motor.SerialNumber;
    }
    return motor.ReadSerialNumber();
}

void CTuningMotorLink::ReadIdentity()
{
    m_motor.ReadVersion();
    m_ops.IdentityRead(m_motor);
}
double CTuningMotorLink::SamplePeriodMs() { return m_motor.SamplePeriod; }
std::string CTuningMotorLink::Ask(const std::string& command) { return m_motor.SendAndReceive(command); }
void CTuningMotorLink::Send(const std::string& command) { m_motor.SendCommand(command); }
// The port keeps its current motor: a command to all motors is not one to remember.
void CTuningMotorLink::SendToAll(const std::string& command) { Port().WriteCommand(command, 0, false); }

std::string CTuningMotorLink::AskCurrent(const std::string& command)
{
    // The first poll makes the target the port's current motor (other traffic may have left
    // another one current); from then on the polls carry no address byte.
    CCommPort& port = Port();
    return port.Query(command, port.currentAddress == m_motor.Address ? -1 : m_motor.Address, true);
}

std::string CTuningMotorLink::ReadLine()
{
    char buffer[260];
    const int n = m_motor.ReadResponse(buffer, int(sizeof buffer), true);
    return std::string(buffer, size_t(n > 0 ? n : 0));
}

void CTuningMotorLink::Purge()
{
    // The echo check of the command that stopped the program read the program's last output in
    // place of the echo and kept it as the start of the next reply: it belongs to no reply.
    Port().pushbackCount = 0;
    // What the stopped program printed last may still be on its way: read until the line has
    // been quiet for 50 ms (at most 2 s), then drop what is left.
    uint8_t buffer[256];
    for (int i = 0; i < 40; ++i) {
        size_t got = 0;
        try {
            m_motor.Read(buffer, sizeof buffer, got, 50);
        } catch (const CVQXException& x) {
            // Fewer bytes than asked for came within the wait: what did come is in `got`.
            if (x.GetCode() != CVQXException::NoResponse)
                throw;
        }
        if (got == 0)
            break;
    }
    Port().ClearBuffer();
}
bool CTuningMotorLink::PortOpen() { return Port().isOpen != 0; }
void CTuningMotorLink::OpenPort() { Port().OpenPort(); }
void CTuningMotorLink::ClosePort() { Port().ClosePort(); }
int CTuningMotorLink::PortBitPerSec() { return Port().BitPerSec; }
bool CTuningMotorLink::SerialPort() { return Port().IsSerial(); }
int CTuningMotorLink::MotorChannel() { return Port().MotorChannel; }
bool CTuningMotorLink::EthernetPort() { return Port().CommType == COMM_ETHERNET; }
void CTuningMotorLink::SwitchBaud(int baud) { Port().SetMotorsBaudRate(baud); }

std::string CTuningMotorLink::WhyCannotSaveProgram() { return m_backups.WhyCannotSave(m_motor); }

void CTuningMotorLink::SaveProgram()
{
    const CCommPort* port = m_motor.GetPort();
    // A program still waiting to go back to the motor that had this key (the project changed
    // meanwhile) is that motor's: this motor's own is not saved over it, nor left unsaved.
    if (const auto* held = m_backups.Held(port ? port->id : -1, m_motor.Address)) {
        if (held->serial == m_motor.SerialNumber)
            return;
        throw CVQXException(CVQXException::CannotWriteFile,
                            "The program saved from the motor \"" + held->motorName + "\" is still waiting in \"" +
                                held->path + "\" to go back to that motor; the program of the motor \"" +
                                m_motor.Name + "\" cannot be saved under the same name. Its program is left as it is.");
    }
    WaitDialog wait(m_progress, "Saving original program in motor");
    m_backups.Save(m_motor, m_ops);
}

std::string CTuningMotorLink::CompileTuningProgram(CScanner& scanner, const std::string& text, const std::string& version)
{
    const bool errorsToWarnings = scanner.Errors2Warnings;
    scanner.Errors2Warnings = false;
    scanner.Scan(text, version);
    scanner.Errors2Warnings = errorsToWarnings;
    for (const CError& e : scanner.Errors().Items())
        if (!CError::IsWarning(e.code))
            throw CVQXException(CVQXException::NotDownloaded,
                                "The tuning program does not compile for firmware " + version + ": " + e.message);
    std::string image = scanner.CompiledImage();
    if (image.size() > 0x7FFF)
        throw CVQXException(CVQXException::FileTooLong);
    return image;
}

void CTuningMotorLink::DownloadTuningProgram(const std::string& text)
{
    WaitDialog wait(m_progress, "Downloading the tuning program to the motor");
    const std::string image = CompileTuningProgram(m_scanner, text, m_motor.Version);
    m_motor.DownloadImage(image, true, 0x2404);
}

void CTuningMotorLink::DownloadMoveProgram(const std::string& path) { m_motor.DownloadProgram(path, false, 0x2404, false); }

} // namespace tuning
