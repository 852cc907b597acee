#include "platform/fs/AtomicFile.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using platform::RegHive;
using platform::Registry;
using platform::RegType;
using platform::RegValue;

namespace {

const RegHive HKCU = RegHive::CurrentUser;
const RegHive HKLM = RegHive::LocalMachine;
const RegHive HKCR = RegHive::ClassesRoot;

std::string ReadText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

std::vector<std::string> NamesOf(const std::vector<RegValue>& values)
{
    std::vector<std::string> names;
    for (const auto& v : values)
        names.push_back(v.name);
    return names;
}

} // namespace

TEST(Registry, RoundTripOfEveryValueType)
{
    TestDir dir;
    const std::string tricky = std::string("C:\\Prog \"x\"\n\r\tend\xe9\xff", 19) + std::string(1, '\0') + "z";
    std::vector<uint8_t> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<uint8_t>(i));
    {
        Registry reg(dir / "user.reg", dir / "machine.reg");
        EXPECT_TRUE(reg.SetString(HKCU, "Software\\Korvessan\\VQX\\T", "Str", tricky));
        EXPECT_TRUE(reg.SetString(HKCU, "Software\\Korvessan\\VQX\\T", "Empty", ""));
        EXPECT_TRUE(reg.SetString(HKCU, "Software\\Korvessan\\VQX\\T", "", "default value"));
        EXPECT_TRUE(reg.SetDword(HKCU, "Software\\Korvessan\\VQX\\T", "Zero", 0));
        EXPECT_TRUE(reg.SetDword(HKCU, "Software\\Korvessan\\VQX\\T", "Max", 0xFFFFFFFFu));
        EXPECT_TRUE(reg.SetBinary(HKCU, "Software\\Korvessan\\VQX\\T", "Bin", all));
        EXPECT_TRUE(reg.SetBinary(HKCU, "Software\\Korvessan\\VQX\\T", "NoBytes", {}));
        EXPECT_TRUE(reg.SetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Count", 3));
    }
    Registry again(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(again.GetString(HKCU, "Software\\Korvessan\\VQX\\T", "Str"), tricky);
    EXPECT_EQ(again.GetString(HKCU, "Software\\Korvessan\\VQX\\T", "Empty"), "");
    EXPECT_EQ(again.GetString(HKCU, "Software\\Korvessan\\VQX\\T", ""), "default value");
    EXPECT_EQ(again.GetDword(HKCU, "Software\\Korvessan\\VQX\\T", "Zero"), 0u);
    EXPECT_EQ(again.GetDword(HKCU, "Software\\Korvessan\\VQX\\T", "Max"), 0xFFFFFFFFu);
    EXPECT_EQ(again.GetBinary(HKCU, "Software\\Korvessan\\VQX\\T", "Bin"), all);
    EXPECT_EQ(again.GetBinary(HKCU, "Software\\Korvessan\\VQX\\T", "NoBytes"), std::vector<uint8_t>{});
    EXPECT_EQ(again.GetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Count"), 3u);
    EXPECT_FALSE(again.GetDword(HKCU, "SOFTWARE\\Korvessan\\Scanner", "Count")); // hives are apart
    // Typed getters refuse another type.
    EXPECT_FALSE(again.GetDword(HKCU, "Software\\Korvessan\\VQX\\T", "Str"));
    EXPECT_FALSE(again.GetString(HKCU, "Software\\Korvessan\\VQX\\T", "Max"));
    EXPECT_FALSE(again.GetBinary(HKCU, "Software\\Korvessan\\VQX\\T", "Max"));
    auto v = again.GetValue(HKCU, "Software\\Korvessan\\VQX\\T", "Bin");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, RegType::Binary);
}

TEST(Registry, FileIsRegedit4Text)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    reg.SetString(HKCU, "Software\\Korvessan\\VQX\\Terminal", "SoundFile", "C:\\a \"b\".wav");
    reg.SetDword(HKCU, "Software\\Korvessan\\VQX\\Terminal", "TermFontSize", 10);
    reg.SetBinary(HKCU, "Software\\Korvessan\\VQX\\Terminal", "Blob", {0x01, 0x02, 0xff});
    reg.SetString(HKCU, "Software\\Korvessan\\VQX\\Terminal", "", "d");
    EXPECT_EQ(ReadText(dir / "user.reg"),
              "REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvessan]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvessan\\VQX]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Korvessan\\VQX\\Terminal]\n"
              "\"SoundFile\"=\"C:\\\\a \\\"b\\\".wav\"\n"
              "\"TermFontSize\"=dword:0000000a\n"
              "\"Blob\"=hex:01,02,ff\n"
              "@=\"d\"\n"
              "\n");
    reg.SetDword(HKCR, ".spj", "", 1);
    EXPECT_NE(ReadText(dir / "machine.reg").find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.spj]\n@=dword:00000001\n"),
              std::string::npos);
    EXPECT_EQ(reg.GetDword(HKLM, "Software\\Classes\\.spj", ""), 1u);
}

TEST(Registry, OrderOfKeysAndValuesIsKept)
{
    TestDir dir;
    {
        Registry reg(dir / "user.reg", dir / "machine.reg");
        for (const char* n : {"Zeta", "Alpha", "Mid", "beta"})
            reg.SetDword(HKCU, "K", n, 1);
        reg.SetString(HKCU, "K", "ALPHA", "replaced"); // same name, other case: keeps its place
        for (const char* k : {"Sub9", "Sub1", "Sub5"})
            reg.CreateKey(HKCU, std::string("K\\") + k);
    }
    Registry reg(dir / "user.reg", dir / "machine.reg");
    auto values = reg.Values(HKCU, "K");
    EXPECT_EQ(NamesOf(values), (std::vector<std::string>{"Zeta", "Alpha", "Mid", "beta"}));
    EXPECT_EQ(values[1].type, RegType::String);
    EXPECT_EQ(values[1].string, "replaced");
    EXPECT_EQ(reg.SubKeys(HKCU, "K"), (std::vector<std::string>{"Sub9", "Sub1", "Sub5"}));
    EXPECT_EQ(reg.GetString(HKCU, "k", "alpha"), "replaced"); // names ignore case
    EXPECT_TRUE(reg.KeyExists(HKCU, "\\K\\\\sub1\\"));        // empty components ignored
}

TEST(Registry, DeletingValuesAndKeys)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    reg.SetDword(HKCU, "A\\B\\C", "x", 1);
    reg.SetDword(HKCU, "A\\B", "y", 2);
    EXPECT_TRUE(reg.DeleteValue(HKCU, "A\\B", "Y"));
    EXPECT_FALSE(reg.DeleteValue(HKCU, "A\\B", "y"));
    EXPECT_FALSE(reg.GetDword(HKCU, "A\\B", "y"));
    EXPECT_TRUE(reg.DeleteKey(HKCU, "A\\B"));
    EXPECT_FALSE(reg.KeyExists(HKCU, "A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists(HKCU, "A"));
    EXPECT_FALSE(reg.DeleteKey(HKCU, "A\\B"));
    Registry other(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(other.KeyExists(HKCU, "A\\B"));
}

TEST(Registry, SecondObjectSeesAWriteAtOnce)
{
    TestDir dir;
    Registry a(dir / "user.reg", dir / "machine.reg");
    Registry b(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(a.GetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Handle"));
    for (uint32_t i = 1; i <= 50; ++i) {
        ASSERT_TRUE(b.SetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Handle", i));
        ASSERT_EQ(a.GetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Handle"), i);
        // And the other way round, with a write that keeps the file's size.
        ASSERT_TRUE(a.SetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Other", i));
        ASSERT_EQ(b.GetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Other"), i);
    }
    // Writes of one object are merged with the other's, never lost.
    EXPECT_EQ(a.Values(HKCU, "Software\\Korvessan\\VQX\\RunTime").size(), 2u);
}

TEST(Registry, ForkedProcessesWriteConcurrentlyWithoutLosingValues)
{
    TestDir dir;
    const int kChildren = 6, kWrites = 25;
    std::vector<pid_t> pids;
    for (int c = 0; c < kChildren; ++c) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Registry reg(dir / "user.reg", dir / "machine.reg");
            bool ok = true;
            for (int i = 0; i < kWrites; ++i)
                ok = reg.SetDword(HKCU, "Shared", std::string("c").append(std::to_string(c)).append("_").append(std::to_string(i)), i) && ok;
            _exit(ok ? 0 : 1);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(reg.Values(HKCU, "Shared").size(), static_cast<size_t>(kChildren * kWrites));
}

TEST(Registry, KilledWriterNeverLeavesATornFile)
{
    TestDir dir;
    const std::string big(4000, 'x');
    {
        Registry reg(dir / "user.reg", dir / "machine.reg");
        reg.SetDword(HKCU, "K", "Seq", 0);
        reg.SetString(HKCU, "K", "Pad", big);
        reg.SetDword(HKCU, "K", "Check", 0);
    }
    for (int round = 0; round < 20; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(progress[0]);
            Registry reg(dir / "user.reg", dir / "machine.reg");
            for (uint32_t i = 1;; ++i) {
                {
                    Registry::Batch batch(reg, HKCU);
                    reg.SetDword(HKCU, "K", "Seq", i);
                    reg.SetString(HKCU, "K", "Pad", big + std::to_string(i));
                    reg.SetDword(HKCU, "K", "Check", i);
                }
                const char written = 1;
                if (write(progress[1], &written, 1) != 1)
                    _exit(1);
            }
        }
        close(progress[1]);
        // The writer reports each whole write; after a few (another number each round) it is
        // killed a varying way into a later one. No sleep decides whether it got to work.
        const uint32_t reported = 1 + static_cast<uint32_t>(round % 4);
        for (uint32_t n = 0; n < reported; ++n) {
            char written = 0;
            ASSERT_EQ(read(progress[0], &written, 1), 1) << "round " << round;
        }
        usleep(static_cast<useconds_t>(round * 150));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(progress[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << round;
        // The file is whole: it parses, and its two counters belong to the same write.
        Registry reg(dir / "user.reg", dir / "machine.reg");
        auto seq = reg.GetDword(HKCU, "K", "Seq");
        auto check = reg.GetDword(HKCU, "K", "Check");
        auto pad = reg.GetString(HKCU, "K", "Pad");
        ASSERT_TRUE(seq && check && pad) << "round " << round;
        EXPECT_EQ(*seq, *check);
        EXPECT_GE(*seq, reported) << "a reported write is on disk";
        EXPECT_EQ(*pad, big + std::to_string(*seq));
        const std::string text = ReadText(dir / "user.reg");
        EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
        // A writer stays usable after the killed one (the lock died with it).
        EXPECT_TRUE(reg.SetDword(HKCU, "K", "After", static_cast<uint32_t>(round)));
    }
}

TEST(Registry, HugeFilesLoadInLinearTime)
{
    // A binary value continued over 300,000 lines: each line is appended once (each one used to
    // copy all the lines before it: a million lines took minutes, these would still time out).
    TestDir dir;
    std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Big]\n\"Blob\"=hex:00";
    for (int i = 0; i < 300000; ++i)
        text += ",\\\n01";
    text += "\n";
    WriteText(dir / "user.reg", text);
    {
        Registry reg(dir / "user.reg", dir / "machine.reg");
        const auto blob = reg.GetBinary(HKCU, "Big", "Blob");
        ASSERT_TRUE(blob);
        EXPECT_EQ(blob->size(), 300001u);
        EXPECT_EQ(blob->back(), 1);
    }
    // A key with 10,000 values and 10,000 subkeys: each is found through an index, not compared
    // with all its siblings.
    text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Big]\n";
    for (int i = 0; i < 10000; ++i)
        text += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
    for (int i = 0; i < 10000; ++i)
        text += "[HKEY_CURRENT_USER\\Big\\K" + std::to_string(i) + "]\n";
    WriteText(dir / "user.reg", text);
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(reg.Values(HKCU, "Big").size(), 10000u);
    EXPECT_EQ(reg.SubKeys(HKCU, "Big").size(), 10000u);
    EXPECT_EQ(reg.GetDword(HKCU, "Big", "V9999"), 1u) << "names compare without case";
    EXPECT_TRUE(reg.KeyExists(HKCU, "big\\k7777"));
    // Deleting one keeps the order and finds the others still.
    {
        Registry::Batch batch(reg, HKCU);
        EXPECT_TRUE(reg.DeleteValue(HKCU, "Big", "v5"));
        EXPECT_TRUE(reg.DeleteKey(HKCU, "Big\\K5"));
    }
    Registry other(dir / "user.reg", dir / "machine.reg");
    const auto values = other.Values(HKCU, "Big");
    ASSERT_EQ(values.size(), 9999u);
    EXPECT_EQ(values[4].name, "v4");
    EXPECT_EQ(values[5].name, "v6");
    EXPECT_EQ(other.GetDword(HKCU, "Big", "v6"), 1u);
    EXPECT_FALSE(other.KeyExists(HKCU, "Big\\K5"));
    EXPECT_TRUE(other.KeyExists(HKCU, "Big\\K6"));
}

TEST(Registry, InterruptedTemporaryWriteLeavesTheOldFile)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    reg.SetString(HKCU, "K", "V", "old");
    const std::string before = ReadText(dir / "user.reg");
    {
        // A writer that wrote half a file to its temporary file and then died.
        platform::AtomicFileWriter w;
        ASSERT_TRUE(w.Begin(dir / "user.reg"));
        ASSERT_TRUE(w.Write("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=\"ne"));
        // no Commit: the destructor abandons it, as a crash would leave it unrenamed
    }
    EXPECT_EQ(ReadText(dir / "user.reg"), before);
    // A stale temporary file from a crash does not disturb anyone.
    WriteText(dir / ".user.reg.tmpABCDEF", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"V\"=\"torn");
    Registry other(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(other.GetString(HKCU, "K", "V"), "old");
    EXPECT_TRUE(other.SetString(HKCU, "K", "V", "new"));
    EXPECT_EQ(reg.GetString(HKCU, "K", "V"), "new");
}

TEST(Registry, UnsavableWriteChangesNothing)
{
    TestDir dir;
    WriteText(dir / "file", "not a folder");
    // The machine file lies below a regular file: it can be neither created nor locked.
    Registry reg(dir / "user.reg", dir / "file/etc/machine.reg");
    EXPECT_FALSE(reg.SetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "X", 1));
    EXPECT_FALSE(reg.GetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "X"));
    EXPECT_FALSE(reg.KeyExists(HKLM, "SOFTWARE"));
    {
        Registry::Batch batch(reg, HKLM);
        reg.SetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Y", 1);
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_FALSE(reg.GetDword(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Y"));
    EXPECT_TRUE(reg.SetDword(HKCU, "K", "Z", 1)); // the other hive is unaffected
}

TEST(Registry, BatchWritesTheFileOnce)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    Registry observer(dir / "user.reg", dir / "machine.reg");
    {
        Registry::Batch batch(reg, HKCU);
        for (int i = 0; i < 37; ++i)
            reg.SetDword(HKCU, "K", std::string("V").append(std::to_string(i)), static_cast<uint32_t>(i));
        EXPECT_EQ(reg.GetDword(HKCU, "K", "V36"), 36u); // visible in this object at once
        struct stat st {};
        EXPECT_NE(stat((dir / "user.reg").c_str(), &st), 0); // not yet on disk
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(observer.Values(HKCU, "K").size(), 37u);
}

TEST(Registry, HandWrittenFilesAreReadLeniently)
{
    TestDir dir;
    WriteText(dir / "machine.reg",
              "REGEDIT4\r\n"
              "\r\n"
              "; a comment\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvessan\\Scanner]\r\n"
              "\"Default\"=\"450\"\r\n"
              "\"450\"=\"C:\\\\Lang\\\\v450.sld\"\r\n"
              "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
              "  17,18\r\n"
              "\"Exp\"=hex(2):41,42,00\r\n"
              "\"Bad\"=dword:xyz\r\n"
              "\"AlsoBad\"=hex:1,2,zz\r\n"
              "garbage line\r\n"
              "\"Unterminated=\"x\r\n"
              "[HKEY_CURRENT_USER\\Elsewhere]\r\n"
              "\"Ignored\"=dword:1\r\n"
              "[HKEY_CLASSES_ROOT\\.spj]\r\n"
              "@=\"VQX.Project\"\r\n");
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(reg.GetString(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Default"), "450");
    EXPECT_EQ(reg.GetString(HKLM, "SOFTWARE\\Korvessan\\Scanner", "450"), "C:\\Lang\\v450.sld");
    auto longBin = reg.GetBinary(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Long");
    ASSERT_TRUE(longBin);
    EXPECT_EQ(longBin->size(), 25u);
    EXPECT_EQ(longBin->back(), 0x18);
    EXPECT_EQ(reg.GetBinary(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Exp"), (std::vector<uint8_t>{0x41, 0x42, 0}));
    EXPECT_FALSE(reg.GetValue(HKLM, "SOFTWARE\\Korvessan\\Scanner", "Bad"));
    EXPECT_FALSE(reg.GetValue(HKLM, "SOFTWARE\\Korvessan\\Scanner", "AlsoBad"));
    EXPECT_EQ(NamesOf(reg.Values(HKLM, "SOFTWARE\\Korvessan\\Scanner")),
              (std::vector<std::string>{"Default", "450", "Long", "Exp"}));
    EXPECT_FALSE(reg.KeyExists(HKLM, "Elsewhere"));
    EXPECT_EQ(reg.GetString(HKCR, ".spj", ""), "VQX.Project");
}

TEST(Registry, GarbageFilesNeverCrash)
{
    TestDir dir;
    srand(7);
    for (int round = 0; round < 200; ++round) {
        std::string junk(static_cast<size_t>(rand() % 2000), '\0');
        for (auto& c : junk)
            c = static_cast<char>(rand());
        if (round % 2)
            junk = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n" + junk;
        if (round % 3 == 0)
            junk += "\"x\"=hex:01,\\";
        WriteText(dir / "user.reg", junk);
        Registry reg(dir / "user.reg", dir / "machine.reg");
        (void)reg.Values(HKCU, "K");
        (void)reg.SubKeys(HKCU, "");
        EXPECT_TRUE(reg.SetDword(HKCU, "K", "ok", 1));
        EXPECT_EQ(reg.GetDword(HKCU, "K", "ok"), 1u);
    }
}

TEST(Registry, ThreadsShareOneObject)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                reg.SetDword(HKCU, "T", std::string("t").append(std::to_string(t)).append("_").append(std::to_string(i)), 1);
                (void)reg.Values(HKCU, "T");
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(reg.Values(HKCU, "T").size(), 80u);
}

TEST(Registry, FilesFromTheEnvironment)
{
    TestDir dir;
    setenv("VQX_REGISTRY_DIR", dir.Path().c_str(), 1);
    EXPECT_EQ(Registry::DefaultUserFile(), dir / "user.reg");
    EXPECT_EQ(Registry::DefaultMachineFile(), dir / "machine.reg");
    unsetenv("VQX_REGISTRY_DIR");
    const char* oldXdg = getenv("XDG_CONFIG_HOME");
    std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Registry::DefaultUserFile(), "/cfg/korvessan/user.reg");
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    const std::string machine = Registry::DefaultMachineFile();
    EXPECT_EQ(machine.substr(machine.size() - std::string("/etc/korvessan/machine.reg").size()),
              "/etc/korvessan/machine.reg");
}

// ---------------------------------------------------------------------------------------------
// Profile

TEST(Profile, ValuesLiveUnderTheMakerAndApplication)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    platform::Profile p(&reg);
    EXPECT_EQ(p.SectionKey("Terminal"), "Software\\Korvessan\\VQX\\Terminal");
    EXPECT_EQ(p.GetInt("Terminal", "TermFontSize", 10), 10);
    EXPECT_EQ(p.GetString("Workspace", "LastWSP", "none"), "none");
    EXPECT_TRUE(p.WriteInt("Terminal", "TermFontSize", -12));
    EXPECT_TRUE(p.WriteString("Workspace", "LastWSP", "/home/u/p.spj"));
    EXPECT_TRUE(p.WriteBinary("Settings", "Blob", {1, 2}));
    EXPECT_EQ(p.GetInt("Terminal", "TermFontSize", 10), -12);
    EXPECT_EQ(reg.GetDword(HKCU, "Software\\Korvessan\\VQX\\Terminal", "TermFontSize"), 0xFFFFFFF4u);
    EXPECT_EQ(p.GetString("Workspace", "LastWSP", ""), "/home/u/p.spj");
    std::vector<uint8_t> blob;
    EXPECT_TRUE(p.GetBinary("Settings", "Blob", blob));
    EXPECT_EQ(blob, (std::vector<uint8_t>{1, 2}));
    // A value of another type reads as missing.
    EXPECT_EQ(p.GetInt("Workspace", "LastWSP", 7), 7);
    EXPECT_EQ(p.GetString("Terminal", "TermFontSize", "d"), "d");
    EXPECT_TRUE(p.DeleteValue("Workspace", "LastWSP"));
    EXPECT_EQ(p.GetString("Workspace", "LastWSP", "gone"), "gone");
    EXPECT_TRUE(p.DeleteSection("Terminal"));
    EXPECT_EQ(p.GetInt("Terminal", "TermFontSize", 10), 10);

    p.SetRegistryKey("Acme");
    p.SetApplicationName("Synmove");
    EXPECT_TRUE(p.WriteInt("Setup", "Axes", 6));
    EXPECT_EQ(reg.GetDword(HKCU, "Software\\Acme\\Synmove\\Setup", "Axes"), 6u);
}

TEST(Profile, FrameworkFunctionsUseTheDefaultRegistry)
{
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry scope(reg);
    EXPECT_TRUE(platform::WriteProfileInt("RunTime", "Handle", 1234));
    EXPECT_EQ(platform::GetProfileInt("RunTime", "Handle", 0), 1234);
    EXPECT_TRUE(platform::WriteProfileString("Workspace", "LastWSP", "x.spj"));
    EXPECT_EQ(platform::GetProfileString("Workspace", "LastWSP"), "x.spj");
    EXPECT_TRUE(platform::WriteProfileBinary("S", "B", {9}));
    std::vector<uint8_t> b;
    EXPECT_TRUE(platform::GetProfileBinary("S", "B", b));
    EXPECT_EQ(reg.GetDword(HKCU, "Software\\Korvessan\\VQX\\RunTime", "Handle"), 1234u);
}

TEST(AtomicFile, SymbolicLinkKeepsPointingAtTheReplacedFile)
{
    TestDir dir;
    WriteText(dir / "real.reg", "old");
    ASSERT_EQ(symlink((dir / "real.reg").c_str(), (dir / "link.reg").c_str()), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "link.reg", "new", 3));
    struct stat st {};
    ASSERT_EQ(lstat((dir / "link.reg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadText(dir / "real.reg"), "new");
}

TEST(AtomicFile, ReadOnlyFileIsNotReplaced)
{
    // A file without write permission is refused, as a read-only file would be, also for root.
    TestDir dir;
    WriteText(dir / "locked.spj", "old");
    ASSERT_EQ(chmod((dir / "locked.spj").c_str(), 0444), 0);
    EXPECT_FALSE(platform::WriteFileAtomically(dir / "locked.spj", "new", 3));
    EXPECT_EQ(ReadText(dir / "locked.spj"), "old");

    WriteText(dir / "user.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:00000001\n\n");
    ASSERT_EQ(chmod((dir / "user.reg").c_str(), 0444), 0);
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(reg.SetDword(HKCU, "K", "V", 2));
    EXPECT_EQ(reg.GetDword(HKCU, "K", "V"), 1u);
    EXPECT_EQ(ReadText(dir / "user.reg"), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:00000001\n\n");
}

TEST(Registry, FileThatCannotBeReadIsNeverOverwritten)
{
    // A registry file too large to load must not be replaced by the one value being written.
    TestDir dir;
    const std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:00000001\n\n";
    WriteText(dir / "user.reg", text);
    ASSERT_EQ(truncate((dir / "user.reg").c_str(), 65 << 20), 0); // sparse: costs no disk
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(reg.SetDword(HKCU, "K", "W", 2));
    {
        Registry::Batch batch(reg, HKCU);
        reg.SetDword(HKCU, "K", "X", 3);
        EXPECT_FALSE(batch.Commit());
    }
    struct stat st {};
    ASSERT_EQ(stat((dir / "user.reg").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 65 << 20);
    EXPECT_EQ(ReadText(dir / "user.reg").substr(0, text.size()), text);
}

TEST(Registry, AbsurdlyDeepKeysAreIgnored)
{
    // Keys nest at most 512 levels, as the platform's registry allows; a deeper section of a
    // hand-made file is skipped instead of exhausting the stack or the memory.
    TestDir dir;
    std::string deep = "[HKEY_CURRENT_USER\\K";
    for (int i = 0; i < 200000; ++i)
        deep += "\\a";
    WriteText(dir / "user.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"V\"=dword:00000001\n\n" + deep +
                                    "]\n\"Deep\"=dword:00000002\n\n");
    {
        Registry reg(dir / "user.reg", dir / "machine.reg");
        EXPECT_EQ(reg.GetDword(HKCU, "K", "V"), 1u);
        EXPECT_EQ(reg.SubKeys(HKCU, "K"), std::vector<std::string>{});
        EXPECT_TRUE(reg.SetDword(HKCU, "K", "W", 3));
        std::string path = "K";
        for (int i = 0; i < 600; ++i)
            path += "\\b";
        EXPECT_FALSE(reg.SetDword(HKCU, path, "X", 4));
        EXPECT_FALSE(reg.CreateKey(HKCU, path));
    }
    Registry again(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(again.GetDword(HKCU, "K", "W"), 3u);
    std::string legal = "K";
    for (int i = 0; i < 500; ++i)
        legal += "\\c";
    EXPECT_TRUE(again.SetDword(HKCU, legal, "Y", 5));
    EXPECT_EQ(again.GetDword(HKCU, legal, "Y"), 5u);
}

TEST(Registry, KeyNamesThatCannotBeStoredAreRefused)
{
    // A line feed would split the section line of the key: its values would be lost on reload.
    TestDir dir;
    Registry reg(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(reg.SetDword(HKCU, "K\\Line\nFeed", "V", 1));
    EXPECT_FALSE(reg.CreateKey(HKCU, "K\\Line\nFeed"));
    EXPECT_FALSE(reg.KeyExists(HKCU, "K"));
    // Value names and strings with line feeds are escaped and come back whole.
    EXPECT_TRUE(reg.SetString(HKCU, "K", "Two\nLines", "a\nb"));
    Registry again(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(again.GetString(HKCU, "K", "Two\nLines"), "a\nb");
}
