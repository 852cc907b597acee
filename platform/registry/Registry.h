#pragma once
// The registry stand-in: keys holding typed values (string, 32-bit, binary), in the order they
// were created, kept in REGEDIT4 text files.
//
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/korvessan/user.reg   (~/.config/korvessan/user.reg)
//   HKEY_LOCAL_MACHINE  <prefix>/etc/korvessan/machine.reg    (prefix: platform::ActivePrefix(),
//                       i.e. <build>/staging when run from the build tree)
//   HKEY_CLASSES_ROOT   inside the machine file as HKEY_LOCAL_MACHINE\Software\Classes
//   $VQX_REGISTRY_DIR   puts both files (user.reg, machine.reg) in that one folder.
//
// File format (what regedit writes, plus escapes for control bytes):
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Korvessan\VQX\Terminal]
//   "SoundFile"="C:\\sounds\\ding.wav"
//   "TermFontSize"=dword:0000000a
//   "Blob"=hex:01,02,ff
//   @="the key's default value"
//
// Strings are 8-bit bytes kept as they are; in the file "\\" and "\"" are escaped, and so are
// LF, CR and NUL as "\n", "\r", "\0". Every key is written as its own section (keys without values
// too), parents before children, siblings in creation order; values in creation order. Replacing
// a value keeps its place. Key and value names compare without regard to ASCII case, as on
// Windows, and keep the case they were created with. Reading is lenient: lines it does not
// understand are skipped; "hex(n):" values load as binary; sections of another root are ignored
// (except HKEY_CLASSES_ROOT in the machine file, which maps to HKLM\Software\Classes). Keys nest
// at most 512 levels below the hive: deeper sections are skipped, deeper keys are refused, and so
// are key names with a line feed.
//
// Processes share the files safely:
//   - every write takes an advisory lock (flock on "<file>.lock"), reloads the file when another
//     process changed it, applies the change and writes the whole file atomically (temporary
//     file, fsync, rename). A crash at any moment leaves the old file or the new one, whole.
//   - every read first checks the file's identity (inode, size, mtime, ctime) and reloads it
//     when it changed; a file changed within the last 2 seconds is re-read anyway, because a
//     coarse timestamp cannot tell two quick writes apart.
// A write that cannot be saved (HKLM without rights) returns false and leaves nothing changed,
// in memory or on disk.
//
// Thread-safe: each file has its own recursive mutex.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegHive { CurrentUser, LocalMachine, ClassesRoot };
enum class RegType { String, Dword, Binary };

struct RegValue {
    std::string name; // "" is the key's default value ("@" in the file)
    RegType type = RegType::String;
    std::string string;          // RegType::String
    uint32_t dword = 0;          // RegType::Dword
    std::vector<uint8_t> binary; // RegType::Binary

    static RegValue String(std::string name, std::string value);
    static RegValue Dword(std::string name, uint32_t value);
    static RegValue Binary(std::string name, std::vector<uint8_t> value);
    bool operator==(const RegValue&) const = default;
};

class RegistryFile;

class Registry {
public:
    // The files named by the environment (see above).
    Registry();
    // Explicit files (tests).
    Registry(std::string userFile, std::string machineFile);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    static std::string DefaultUserFile();
    static std::string DefaultMachineFile();
    const std::string& FilePath(RegHive hive) const;

    // Keys are paths below the hive with backslash separators ("Software\Korvessan\VQX");
    // empty components (leading, trailing or doubled backslashes) are ignored.
    bool KeyExists(RegHive hive, std::string_view key);
    bool CreateKey(RegHive hive, std::string_view key);
    // Deletes the key with everything below it; false when it does not exist or cannot be saved.
    bool DeleteKey(RegHive hive, std::string_view key);
    // Names of the direct subkeys, in creation order (empty when the key does not exist).
    std::vector<std::string> SubKeys(RegHive hive, std::string_view key);
    // The values of the key, in creation order (empty when the key does not exist).
    std::vector<RegValue> Values(RegHive hive, std::string_view key);

    std::optional<RegValue> GetValue(RegHive hive, std::string_view key, std::string_view name);
    // Typed reads: empty when the value is absent or of another type.
    std::optional<std::string> GetString(RegHive hive, std::string_view key, std::string_view name);
    std::optional<uint32_t> GetDword(RegHive hive, std::string_view key, std::string_view name);
    std::optional<std::vector<uint8_t>> GetBinary(RegHive hive, std::string_view key, std::string_view name);

    // Sets a value, creating the key and its parents; a value of that name keeps its place (and
    // takes the new type). False when the file cannot be saved.
    bool SetValue(RegHive hive, std::string_view key, const RegValue& value);
    bool SetString(RegHive hive, std::string_view key, std::string_view name, std::string_view value);
    bool SetDword(RegHive hive, std::string_view key, std::string_view name, uint32_t value);
    bool SetBinary(RegHive hive, std::string_view key, std::string_view name, const std::vector<uint8_t>& value);
    // False when the value does not exist or the file cannot be saved.
    bool DeleteValue(RegHive hive, std::string_view key, std::string_view name);

    // Groups several changes into one locked read-modify-write and one file write:
    //   { Registry::Batch batch(reg, RegHive::CurrentUser); reg.SetDword(...); ... }
    //   bool ok = batch.Commit();   // or let the destructor commit
    // Within a batch the changes apply at once in memory; the file is written at the end. While a
    // batch is open, other threads wait for this file.
    class Batch {
    public:
        Batch(Registry& registry, RegHive hive);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Writes the file now (once); true when it was saved or nothing changed.
        bool Commit();

    private:
        RegistryFile* m_file;
        bool m_done = false;
        bool m_result = true;
    };

private:
    RegistryFile& FileOf(RegHive hive);
    static std::string KeyPath(RegHive hive, std::string_view key);

    std::unique_ptr<RegistryFile> m_user;
    std::unique_ptr<RegistryFile> m_machine;
};

// The process-wide registry: the one installed with SetDefaultRegistry, else one made from the
// environment on first use.
Registry& DefaultRegistry();
// Installs a registry for the whole process (nullptr restores the environment's). The caller
// keeps ownership.
void SetDefaultRegistry(Registry* registry);

class ScopedDefaultRegistry {
public:
    explicit ScopedDefaultRegistry(Registry& r) { SetDefaultRegistry(&r); }
    ~ScopedDefaultRegistry() { SetDefaultRegistry(nullptr); }
    ScopedDefaultRegistry(const ScopedDefaultRegistry&) = delete;
    ScopedDefaultRegistry& operator=(const ScopedDefaultRegistry&) = delete;
};

// REGEDIT4 text of a tree, and its parser, exposed for tests and tools.
namespace regedit {
std::string EscapeString(std::string_view s);
// Parses the quoted text starting at s[pos] == '"'; sets pos past the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out);
// What reading a file of the hive's kind and writing it again makes of its text.
std::string Reformat(std::string_view text, RegHive hive);
} // namespace regedit

} // namespace platform
