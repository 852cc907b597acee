#pragma once
// The playground's real seams: motor traffic through CMotor, and the polling program's life
// through the program-backup store and the compiler.
#include "app/tools/PlaygroundForm.h"
#include "app/tools/ProgramBackupStore.h"

#include <functional>
#include <string>

class CScanner;

namespace tools {

class MotorPlaygroundIo : public IPlaygroundIo {
public:
    void OpenPort(CMotor& motor) override;
    void Send(CMotor& motor, const std::string& command) override;
    std::string Ask(CMotor& motor, const std::string& command) override;
};

class PollingProgramService : public IPollingPrograms {
public:
    // scanner: the program's compiler; findMotor: the project's motor by port id and address now.
    PollingProgramService(CScanner& scanner, std::function<CMotor*(int portId, int address)> findMotor,
                          std::string backupFolder = CProgramBackupStore::DefaultFolder());
    std::string WhyCannotSave(const CMotor& motor) override { return m_store.WhyCannotSave(motor); }
    bool Saved(const CMotor& motor) override;
    void SaveUserProgram(CMotor& motor) override { m_store.Save(motor, m_ops); }
    void ClearProgram(CMotor& motor) override;
    void DownloadPollingProgram(CMotor& motor) override;
    std::vector<std::string> RestoreAll() override;

    // The polling program's source for the motor: <program folder>/Include/PGPC<ch>V<4|5>.tqs.
    static std::string SourceFor(CMotor& motor);
    // Compiles it into a fresh file in `folder` and returns the image; CVQXException when the
    // source does not compile (the image of an earlier compile is never used).
    std::string Compile(CMotor& motor, const std::string& folder);
    CProgramBackupStore& Store() { return m_store; }

private:
    CScanner& m_scanner;
    std::function<CMotor*(int, int)> m_findMotor;
    CProgramBackupStore m_store;
    MotorBackupOps m_ops;
};

} // namespace tools
