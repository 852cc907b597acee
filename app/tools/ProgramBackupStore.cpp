#include "app/tools/ProgramBackupStore.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "platform/fs/AtomicFile.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace tools {
namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string SerialText(uint32_t serial) { return serial ? FormatSerialNumber(serial) : std::string("none"); }

void Fail(CProgramBackupStore::Result& r, const CMotor& motor, const CVQXException& x)
{
    r.outcome = CProgramBackupStore::Outcome::Failed;
    r.message = "The program of the motor " + Quoted(motor.Name) + " could not be restored: " + x.GetMessage() +
                "\nThe saved program is kept in " + Quoted(r.entry.path) + ".";
}

} // namespace

CProgramBackupStore::CProgramBackupStore(std::string prefix, std::string folder)
    : m_prefix(std::move(prefix)), m_folder(std::move(folder))
{
}

std::string CProgramBackupStore::DefaultFolder() { return platform::JoinPath(platform::UserDataFolder(), "ProgramBackups"); }

std::string CProgramBackupStore::FileFor(int portId, int address) const
{
    char name[64];
    std::snprintf(name, sizeof name, "%s%02d%03d.tqx", m_prefix.c_str(), portId, address);
    return platform::JoinPath(m_folder, name);
}

bool CProgramBackupStore::Holds(int portId, int address) const { return Held(portId, address) != nullptr; }

std::string CProgramBackupStore::WhyCannotSave(const CMotor& motor) const
{
    const int portId = motor.GetPort() ? motor.GetPort()->id : -1;
    if (Holds(portId, motor.Address))
        return {};
    if (Full())
        return "The program of the motor " + Quoted(motor.Name) + " cannot be saved: " + std::to_string(kCapacity) +
               " saved programs are held already. The motor's program is left as it is.";
    const std::string path = FileFor(portId, motor.Address);
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return "A saved program of the motor " + Quoted(motor.Name) + " is already in " + Quoted(path) +
               " (an earlier restore did not finish). It is not overwritten: download it to the motor or move "
               "it away first. The motor's program is left as it is.";
    return {};
}

void CProgramBackupStore::Save(CMotor& motor, IBackupMotorOps& ops)
{
    const int portId = motor.GetPort() ? motor.GetPort()->id : -1;
    if (Holds(portId, motor.Address))
        return;
    if (std::string why = WhyCannotSave(motor); !why.empty())
        throw CVQXException(CVQXException::CannotWriteFile, why);
    if (!platform::MakeFolders(m_folder))
        throw CVQXException(CVQXException::CannotWriteFile,
                            "The folder for saved programs " + Quoted(m_folder) + " cannot be created.");
    const std::string path = FileFor(portId, motor.Address);
    const std::string part = path + ".part";
    std::error_code ec;
    std::filesystem::remove(part, ec);
    const uint32_t serial = ops.ReadSerial(motor);
    try {
        ops.Upload(motor, part);
    } catch (...) {
        std::filesystem::remove(part, ec);
        throw;
    }
    // link() refuses an existing name, so a file that appeared meanwhile is never replaced.
    if (::link(part.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::filesystem::remove(part, ec);
        throw CVQXException(CVQXException::CannotWriteFile,
                            err == EEXIST ? WhyCannotSave(motor)
                                          : "The program of the motor " + Quoted(motor.Name) +
                                                " cannot be saved in " + Quoted(path) + ".");
    }
    std::filesystem::remove(part, ec);
    platform::SyncParentFolder(path);
    m_entries.push_back({portId, motor.Address, serial, motor.Name, path});
}

const CProgramBackupStore::Entry* CProgramBackupStore::Held(int portId, int address) const
{
    for (const Entry& e : m_entries)
        if (e.portId == portId && e.address == address)
            return &e;
    return nullptr;
}

CProgramBackupStore::Result CProgramBackupStore::RestoreOne(const Entry& e, CMotor* motor, IBackupMotorOps& ops)
{
    Result r{e, Outcome::Restored, {}};
    if (!motor) {
        r.outcome = Outcome::MotorGone;
        r.message = "The program saved from the motor " + Quoted(e.motorName) +
                    " cannot be restored: that motor is no longer in the project. The saved program is kept in " +
                    Quoted(e.path) + ".";
        return r;
    }
    uint32_t now = 0;
    try {
        now = ops.ReadSerial(*motor);
    } catch (const CVQXException& x) {
        // Not knowing which motor answers, nothing is sent to it.
        Fail(r, *motor, x);
        return r;
    }
    if (now != e.serial) {
        r.outcome = Outcome::OtherMotor;
        r.message = "The motor " + Quoted(motor->Name) + " is not the motor whose program was saved (serial number " +
                    SerialText(e.serial) + ", now " + SerialText(now) +
                    "); its program is left as it is. The saved program is kept in " + Quoted(e.path) + ".";
        return r;
    }
    try {
        ops.Restore(*motor, e.path);
    } catch (const CVQXException& x) {
        Fail(r, *motor, x);
        ops.ClearAfterFailure(*motor);
        return r;
    }
    std::error_code ec;
    std::filesystem::remove(e.path, ec);
    return r;
}

std::vector<CProgramBackupStore::Result> CProgramBackupStore::RestoreAll(
    const std::function<CMotor*(int portId, int address)>& findMotor, IBackupMotorOps& ops)
{
    return RestoreAll([&findMotor](const Entry& e) { return findMotor ? findMotor(e.portId, e.address) : nullptr; },
                      ops);
}

std::vector<CProgramBackupStore::Result> CProgramBackupStore::RestoreAll(
    const std::function<CMotor*(const Entry&)>& findMotor, IBackupMotorOps& ops)
{
    std::vector<Result> results;
    const std::vector<Entry> entries = std::move(m_entries);
    m_entries.clear();
    for (const Entry& e : entries)
        results.push_back(RestoreOne(e, findMotor ? findMotor(e) : nullptr, ops));
    return results;
}

std::vector<CProgramBackupStore::Result> CProgramBackupStore::RestoreFound(
    const std::function<CMotor*(const Entry&)>& findMotor, IBackupMotorOps& ops)
{
    std::vector<Result> results;
    const std::vector<Entry> entries = std::move(m_entries);
    m_entries.clear();
    for (const Entry& e : entries) {
        CMotor* motor = findMotor ? findMotor(e) : nullptr;
        if (!motor) {
            m_entries.push_back(e);
            continue;
        }
        Result r = RestoreOne(e, motor, ops);
        if (r.outcome != Outcome::Restored)
            m_entries.push_back(e);
        results.push_back(std::move(r));
    }
    return results;
}

uint32_t MotorBackupOps::ReadSerial(CMotor& motor)
{
    motor.ReadVersion();
    return motor.SerialNumber;
}

void MotorBackupOps::Upload(CMotor& motor, const std::string& path) { motor.UploadProgram(path, true, false); }

void MotorBackupOps::Restore(CMotor& motor, const std::string& path)
{
    std::string saved;
    if (platform::ReadRegularFile(path, saved, 0x10000) != platform::ReadStatus::Ok)
        throw CVQXException(CVQXException::CannotOpenFile, "The saved program " + Quoted(path) + " cannot be read.");
    std::string image = saved;
    if (saved.empty() || saved[0] != '$') {
        const bool errorsToWarnings = m_scanner.Errors2Warnings;
        m_scanner.Errors2Warnings = false;
        m_scanner.Scan(saved, motor.Version);
        m_scanner.Errors2Warnings = errorsToWarnings;
        bool errors = false;
        for (const CError& e : m_scanner.Errors().Items())
            errors = errors || !CError::IsWarning(e.code);
        if (errors)
            throw CVQXException(CVQXException::NotDownloaded,
                                "The saved program " + Quoted(path) + " does not compile for the motor's firmware.");
        image = m_scanner.CompiledImage();
    }
    motor.SendCommand("OFF");
    // The motor keeps the program record of the program it held, so nothing is recorded.
    motor.DownloadImage(image, true, 0x2404);
    if (!m_afterRestore.empty())
        motor.SendCommand(m_afterRestore);
}

void MotorBackupOps::ClearAfterFailure(CMotor& motor)
{
    try {
        motor.ClearProgram(8);
    } catch (const CVQXException&) {
    }
}

} // namespace tools
