#pragma once
// The tuning run's traffic on a real motor: its port, the program backups of the tuner ("TM"
// files, identity checked before they go back) and the program's compiler for the generated
// program.
#include "app/tools/ProgramBackupStore.h"
#include "app/tuning/TuningRun.h"
#include "core/port/IntervalTimer.h"

class CCommPort;
class CMotor;
class CScanner;
namespace ui { class IProgress; }

namespace tuning {

// The tuner's backup operations on the core: a restore sends "OFF" and the download, nothing
// after it; the identity check asks the motor for its serial number alone, and a save right
// after the run's identity read takes the serial number that read gave.
class CTunerBackupOps : public tools::MotorBackupOps {
public:
    explicit CTunerBackupOps(CScanner& scanner) : MotorBackupOps(scanner, std::string()) {}
    uint32_t ReadSerial(CMotor& motor) override;
    // The motor's identity was just read: the next serial number asked of it is the one it holds.
    void IdentityRead(const CMotor& motor) { m_identityOf = &motor; }

private:
    const CMotor* m_identityOf = nullptr;
};

class CTuningMotorLink : public ITuningMotor {
public:
    CTuningMotorLink(CMotor& motor, CScanner& scanner, tools::CProgramBackupStore& backups, ui::IProgress& progress)
        : m_motor(motor), m_scanner(scanner), m_backups(backups), m_progress(progress), m_ops(scanner)
    {
    }

    void ReadIdentity() override;
    double SamplePeriodMs() override;
    std::string Ask(const std::string& command) override;
    void Send(const std::string& command) override;
    void SendToAll(const std::string& command) override;
    std::string AskCurrent(const std::string& command) override;
    std::string ReadLine() override;
    void Purge() override;
    bool PortOpen() override;
    void OpenPort() override;
    void ClosePort() override;
    int PortBitPerSec() override;
    bool SerialPort() override;
    int MotorChannel() override;
    bool EthernetPort() override;
    void SwitchBaud(int baud) override;
    std::string WhyCannotSaveProgram() override;
    void SaveProgram() override;
    void DownloadTuningProgram(const std::string& text) override;
    void DownloadMoveProgram(const std::string& path) override;
    void StartTimer() override { m_timer.Start(); }
    void WaitUntil(int ms) override { m_timer.WaitUntil(uint32_t(ms > 0 ? ms : 0)); }

    // The generated program compiled for the motor's firmware; CVQXException when it does not
    // compile.
    static std::string CompileTuningProgram(CScanner& scanner, const std::string& text, const std::string& version);

private:
    CCommPort& Port();

    CMotor& m_motor;
    CScanner& m_scanner;
    tools::CProgramBackupStore& m_backups;
    ui::IProgress& m_progress;
    CTunerBackupOps m_ops;
    CIntervalTimer m_timer;
};

} // namespace tuning
