#pragma once
// The user programs of motors that a tool replaces with a program of its own (the playground's
// polling program, the tuner's tuning program) and puts back when it closes. One file per port
// and motor address, under an absolute folder in the user's data folder; the motor's serial
// number is kept with each entry and checked before the program goes back, so a program never
// lands in a motor that was swapped meanwhile. A backup file is never overwritten: a file left
// by an earlier session that could not restore stays until the user deals with it. Every message
// names the file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMotor;
class CScanner;

namespace tools {

// What the store needs of a motor; the real operations are in MotorBackupOps (core), tests may
// count or fail them.
class IBackupMotorOps {
public:
    virtual ~IBackupMotorOps() = default;
    // The serial number the motor reports now.
    virtual uint32_t ReadSerial(CMotor& motor) = 0;
    // Uploads the motor's program into the (new) file at path.
    virtual void Upload(CMotor& motor, const std::string& path) = 0;
    // Downloads the file at path into the motor (the tool's program goes).
    virtual void Restore(CMotor& motor, const std::string& path) = 0;
    // After a failed restore: leaves the motor without a half-loaded program (failures ignored).
    virtual void ClearAfterFailure(CMotor& motor) = 0;
};

class CProgramBackupStore {
public:
    static constexpr int kCapacity = 50;

    // prefix: "PGM" (playground) or "TM" (tuner); folder: absolute, created when a file is saved.
    CProgramBackupStore(std::string prefix, std::string folder);
    // <user data folder>/ProgramBackups.
    static std::string DefaultFolder();

    struct Entry {
        int portId = 0;
        int address = 0;
        uint32_t serial = 0;
        std::string motorName;
        std::string path;
    };

    const std::string& Folder() const { return m_folder; }
    // "<folder>/PGM%02d%03d.tqx" with the port id and the address.
    std::string FileFor(int portId, int address) const;
    bool Holds(int portId, int address) const;
    const std::vector<Entry>& Entries() const { return m_entries; }
    bool Full() const { return int(m_entries.size()) >= kCapacity; }

    // Why the motor's program cannot be saved now (full table, a file already there), as the
    // message to show; empty when it can. A motor already held needs no save.
    std::string WhyCannotSave(const CMotor& motor) const;
    // Reads the motor's serial number, uploads its program into its file and records it. The
    // upload goes to a temporary file that is renamed only when whole and only when no file of
    // that name exists; a failure leaves no file behind and passes the error on. Throws
    // CVQXException 1035 with WhyCannotSave's text when it refuses.
    void Save(CMotor& motor, IBackupMotorOps& ops);

    enum class Outcome { Restored, MotorGone, OtherMotor, Failed };
    struct Result {
        Entry entry;
        Outcome outcome = Outcome::Restored;
        std::string message; // empty for Restored
    };
    // The entry of a motor key; null when none is held.
    const Entry* Held(int portId, int address) const;

    // Puts every held program back, in the order saved: finds the motor by port id and address,
    // checks its serial number, downloads, deletes the file. A motor that is gone or another one,
    // or a failed download, keeps the file and gives a message naming it; the other motors go on.
    // The table is empty afterwards.
    std::vector<Result> RestoreAll(const std::function<CMotor*(int portId, int address)>& findMotor,
                                   IBackupMotorOps& ops);
    // The same with the motor found by the whole entry (its serial number, wherever it is now).
    std::vector<Result> RestoreAll(const std::function<CMotor*(const Entry&)>& findMotor, IBackupMotorOps& ops);
    // Puts back the programs whose motor is found (null: passed over) and answers with its serial
    // number; the others stay held for a later try, without a message. Only the motors found
    // are in the results.
    std::vector<Result> RestoreFound(const std::function<CMotor*(const Entry&)>& findMotor, IBackupMotorOps& ops);

private:
    // One entry's restore; Restored only when the program went back and its file is deleted.
    Result RestoreOne(const Entry& e, CMotor* motor, IBackupMotorOps& ops);

    std::string m_prefix;
    std::string m_folder;
    std::vector<Entry> m_entries;
};

// What the playground sends once its saved program is back in a motor.
inline constexpr const char* kPlaygroundAfterRestore = "P=@P MP G OFF";

// The real motor operations: identity read, upload and download through the core (progress in
// the motor's please-wait dialog, the tools' download flags 0x2404), "OFF" before a download and
// the tool's own command after it (none when empty), the END program after a failure. A motor
// gives its program back as text: the text is compiled again for the motor's firmware before it
// goes back.
class MotorBackupOps : public IBackupMotorOps {
public:
    explicit MotorBackupOps(CScanner& scanner, std::string afterRestore = kPlaygroundAfterRestore)
        : m_scanner(scanner), m_afterRestore(std::move(afterRestore))
    {
    }
    uint32_t ReadSerial(CMotor& motor) override;
    void Upload(CMotor& motor, const std::string& path) override;
    void Restore(CMotor& motor, const std::string& path) override;
    void ClearAfterFailure(CMotor& motor) override;

private:
    CScanner& m_scanner;
    std::string m_afterRestore;
};

} // namespace tools
