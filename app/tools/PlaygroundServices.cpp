#include "app/tools/PlaygroundServices.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"

#include <filesystem>

namespace tools {

void MotorPlaygroundIo::OpenPort(CMotor& motor)
{
    if (CCommPort* p = motor.GetPort(); p && !p->isOpen)
        p->OpenPort();
}

void MotorPlaygroundIo::Send(CMotor& motor, const std::string& command) { motor.SendCommand(command); }

std::string MotorPlaygroundIo::Ask(CMotor& motor, const std::string& command) { return motor.SendAndReceive(command); }

PollingProgramService::PollingProgramService(CScanner& scanner, std::function<CMotor*(int, int)> findMotor,
                                             std::string backupFolder)
    : m_scanner(scanner), m_findMotor(std::move(findMotor)), m_store("PGM", std::move(backupFolder)), m_ops(scanner)
{
}

bool PollingProgramService::Saved(const CMotor& motor)
{
    return m_store.Holds(motor.GetPort() ? motor.GetPort()->id : -1, motor.Address);
}

void PollingProgramService::ClearProgram(CMotor& motor) { motor.ClearProgram(8); }

std::string PollingProgramService::SourceFor(CMotor& motor)
{
    const bool channel1 = motor.GetPort() && motor.GetPort()->MotorChannel != 0;
    const std::string name = std::string("\\Include\\PGPC") + (channel1 ? "1" : "0") + "V" + (motor.IsVersion5() ? "5" : "4") + ".tqs";
    return platform::JoinPath(platform::AppFolder(), name);
}

std::string PollingProgramService::Compile(CMotor& motor, const std::string& folder)
{
    platform::MakeFolders(folder);
    const std::string target = platform::JoinPath(folder, "_P_O_L_L_.tqx");
    std::error_code ec;
    std::filesystem::remove(target, ec); // a stale image must never be downloaded
    const bool saved = m_scanner.Errors2Warnings;
    m_scanner.Errors2Warnings = true;
    bool ok = false;
    try {
        ok = m_scanner.CompileFile(SourceFor(motor), target, motor.Version, true);
    } catch (...) {
        m_scanner.Errors2Warnings = saved;
        std::filesystem::remove(target, ec);
        throw;
    }
    m_scanner.Errors2Warnings = saved;
    std::string image;
    const platform::ReadStatus read = ok ? platform::ReadRegularFile(target, image, 0x7FFF) : platform::ReadStatus::CannotOpen;
    std::filesystem::remove(target, ec);
    if (!ok)
        throw CVQXException(CVQXException::CannotOpenFile,
                            "The polling program " + SourceFor(motor) + " could not be compiled for the motor \"" +
                                motor.Name + "\".");
    if (read == platform::ReadStatus::TooLarge)
        throw CVQXException(CVQXException::FileTooLong);
    if (read != platform::ReadStatus::Ok)
        throw CVQXException(CVQXException::CannotOpenFile);
    return image;
}

void PollingProgramService::DownloadPollingProgram(CMotor& motor)
{
    const std::string image = Compile(motor, m_store.Folder());
    motor.SendCommand("OFF");
    motor.DownloadImage(image, true, 0x2404);
}

namespace {
// The store's motor operations, with the restore of each motor under its own please-wait text.
class RestoreWithWaitText : public IBackupMotorOps {
public:
    explicit RestoreWithWaitText(IBackupMotorOps& ops) : m_ops(ops) {}
    uint32_t ReadSerial(CMotor& motor) override { return m_ops.ReadSerial(motor); }
    void Upload(CMotor& motor, const std::string& path) override { m_ops.Upload(motor, path); }
    void Restore(CMotor& motor, const std::string& path) override
    {
        ui::CWaitStep wait(motor.Context().Progress(), "Restoring the program in \"" + motor.Name + "\"", std::string());
        motor.Context().Progress().SetCancelVisible(false);
        m_ops.Restore(motor, path);
    }
    void ClearAfterFailure(CMotor& motor) override { m_ops.ClearAfterFailure(motor); }

private:
    IBackupMotorOps& m_ops;
};
} // namespace

std::vector<std::string> PollingProgramService::RestoreAll()
{
    std::vector<std::string> messages;
    RestoreWithWaitText ops(m_ops);
    for (const auto& r : m_store.RestoreAll(m_findMotor, ops))
        if (!r.message.empty())
            messages.push_back(r.message);
    return messages;
}

} // namespace tools
