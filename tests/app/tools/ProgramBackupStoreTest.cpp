// The program-backup store shared by the playground and the tuner: file names per port and
// address in its folder, the full table, a file left by an earlier session never overwritten,
// the serial-number check, and what a failed or impossible restore keeps and says.
#include <gtest/gtest.h>

#include "app/tools/ProgramBackupStore.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"
#include "tests/common/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace {

// Motors as the store sees them: a program text and a serial number per motor; failures on demand.
struct FakeOps : tools::IBackupMotorOps {
    std::map<const CMotor*, std::string> program;
    std::map<const CMotor*, uint32_t> serial;
    std::map<const CMotor*, int> fail; // 1 upload, 2 restore, 3 serial read
    std::vector<std::string> log;

    uint32_t ReadSerial(CMotor& m) override
    {
        if (fail[&m] == 3)
            throw CVQXException(CVQXException::NoResponse);
        return serial[&m];
    }
    void Upload(CMotor& m, const std::string& path) override
    {
        std::ofstream(path, std::ios::binary) << program[&m].substr(0, fail[&m] == 1 ? 3 : std::string::npos);
        if (fail[&m] == 1)
            throw CVQXException(CVQXException::NoResponse);
        log.push_back("up " + m.Name);
    }
    void Restore(CMotor& m, const std::string& path) override
    {
        if (fail[&m] == 2)
            throw CVQXException(CVQXException::NoEcho);
        std::string text;
        ASSERT_TRUE(platform::ReadWholeFile(path, text, 1 << 16));
        program[&m] = text;
        log.push_back("restore " + m.Name);
    }
    void ClearAfterFailure(CMotor& m) override
    {
        program[&m] = "END";
        log.push_back("clear " + m.Name);
    }
};

class BackupStore : public ::testing::Test {
protected:
    TempFolder dir;
    CCommPort port;
    std::vector<std::unique_ptr<CMotor>> motors;
    FakeOps ops;

    CMotor& Motor(int address, uint32_t serial, const std::string& program)
    {
        auto m = std::make_unique<CMotor>();
        m->Address = address;
        m->Name = "Motor" + std::to_string(address);
        m->SetPort(&port);
        ops.serial[m.get()] = serial;
        ops.program[m.get()] = program;
        motors.push_back(std::move(m));
        return *motors.back();
    }
    CMotor* Find(int portId, int address)
    {
        for (auto& m : motors)
            if (portId == port.id && m->Address == address)
                return m.get();
        return nullptr;
    }
    static bool Exists(const std::string& p) { return std::filesystem::exists(p); }
};

TEST_F(BackupStore, SavesPerPortAndAddressAndRestoresEachIntoItsOwnMotor)
{
    port.id = 1;
    tools::CProgramBackupStore store("PGM", dir.Path() + "/backups");
    EXPECT_EQ(store.FileFor(1, 5), dir.Path() + "/backups/PGM01005.tqx");
    EXPECT_EQ(tools::CProgramBackupStore("TM", "/x").FileFor(0, 1), "/x/TM00001.tqx");
    EXPECT_TRUE(platform::IsAbsolutePath(tools::CProgramBackupStore::DefaultFolder()));

    CMotor& a = Motor(5, 'T' << 24 | 7, "a=1 END");
    CMotor& b = Motor(6, 'T' << 24 | 8, "b=2 END");
    store.Save(a, ops);
    store.Save(b, ops);
    store.Save(a, ops); // held already: no second upload
    EXPECT_EQ(ops.log, (std::vector<std::string>{"up Motor5", "up Motor6"}));
    ASSERT_EQ(store.Entries().size(), 2u);
    EXPECT_TRUE(store.Holds(1, 5));
    EXPECT_FALSE(store.Holds(0, 5));
    EXPECT_FALSE(Exists(store.FileFor(1, 5) + ".part"));

    ops.program[&a] = "polling";
    ops.program[&b] = "polling";
    auto results = store.RestoreAll([&](int p, int addr) { return Find(p, addr); }, ops);
    ASSERT_EQ(results.size(), 2u);
    for (const auto& r : results) {
        EXPECT_EQ(r.outcome, tools::CProgramBackupStore::Outcome::Restored);
        EXPECT_TRUE(r.message.empty());
        EXPECT_FALSE(Exists(r.entry.path));
    }
    EXPECT_EQ(ops.program[&a], "a=1 END");
    EXPECT_EQ(ops.program[&b], "b=2 END");
    EXPECT_TRUE(store.Entries().empty());
}

TEST_F(BackupStore, RefusesWhatWouldLoseAProgramAndNamesTheFile)
{
    port.id = 0;
    const std::string folder = dir.Path() + "/b";
    tools::CProgramBackupStore store("PGM", folder);
    // A file left by an earlier session is never overwritten.
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/PGM00003.tqx") << "old backup";
    CMotor& left = Motor(3, 1, "new program");
    const std::string why = store.WhyCannotSave(left);
    EXPECT_NE(why.find(folder + "/PGM00003.tqx"), std::string::npos) << why;
    try {
        store.Save(left, ops);
        ADD_FAILURE() << "saved over an earlier backup";
    } catch (const CVQXException& x) {
        EXPECT_EQ(x.GetMessage(), why);
    }
    std::string kept;
    ASSERT_TRUE(platform::ReadWholeFile(folder + "/PGM00003.tqx", kept, 100));
    EXPECT_EQ(kept, "old backup");
    EXPECT_TRUE(ops.log.empty());

    // A failed upload leaves no file and no entry.
    CMotor& broken = Motor(4, 2, "x=1 END");
    ops.fail[&broken] = 1;
    EXPECT_THROW(store.Save(broken, ops), CVQXException);
    EXPECT_FALSE(Exists(store.FileFor(0, 4)));
    EXPECT_FALSE(Exists(store.FileFor(0, 4) + ".part"));
    EXPECT_FALSE(store.Holds(0, 4));

    // The table holds 50 motors; the 51st is refused with a message and nothing uploaded.
    for (int addr = 10; store.Entries().size() < size_t(tools::CProgramBackupStore::kCapacity); ++addr)
        store.Save(Motor(addr, addr, "p END"), ops);
    CMotor& extra = Motor(99, 99, "q END");
    EXPECT_TRUE(store.Full());
    EXPECT_NE(store.WhyCannotSave(extra).find("\"Motor99\""), std::string::npos);
    EXPECT_THROW(store.Save(extra, ops), CVQXException);
    EXPECT_FALSE(Exists(store.FileFor(0, 99)));
    EXPECT_TRUE(store.WhyCannotSave(Motor(10, 10, "")).empty()); // held already: nothing to refuse
}

TEST_F(BackupStore, RestoreKeepsTheFileWhenTheMotorIsGoneOtherOrFailing)
{
    port.id = 2;
    tools::CProgramBackupStore store("PGM", dir.Path());
    CMotor& gone = Motor(1, 11, "g END");
    CMotor& swapped = Motor(2, 12, "s END");
    CMotor& failing = Motor(3, 13, "f END");
    CMotor& mute = Motor(4, 14, "m END");
    CMotor& fine = Motor(5, 15, "ok END");
    for (CMotor* m : {&gone, &swapped, &failing, &mute, &fine})
        store.Save(*m, ops);
    for (CMotor* m : {&gone, &swapped, &failing, &mute, &fine})
        ops.program[m] = "polling";
    ops.serial[&swapped] = 999; // another motor now answers at that address
    ops.fail[&failing] = 2;
    ops.fail[&mute] = 3;
    ops.log.clear();

    using O = tools::CProgramBackupStore::Outcome;
    auto results = store.RestoreAll([&](int p, int a) { return a == 1 ? nullptr : Find(p, a); }, ops);
    const struct {
        O outcome;
        const CMotor* motor;
        const char* program; // what the motor holds afterwards
        bool fileKept;
        const char* says;
    } want[] = {
        {O::MotorGone, &gone, "polling", true, "no longer in the project"},
        {O::OtherMotor, &swapped, "polling", true, "serial number"},
        {O::Failed, &failing, "END", true, "could not be restored"},
        {O::Failed, &mute, "polling", true, "could not be restored"},
        {O::Restored, &fine, "ok END", false, ""},
    };
    ASSERT_EQ(results.size(), std::size(want));
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].outcome, want[i].outcome);
        EXPECT_EQ(ops.program[want[i].motor], want[i].program);
        EXPECT_EQ(Exists(results[i].entry.path), want[i].fileKept);
        EXPECT_NE(results[i].message.find(want[i].says), std::string::npos) << results[i].message;
        if (want[i].fileKept) {
            EXPECT_NE(results[i].message.find("\"" + results[i].entry.path + "\""), std::string::npos);
        }
    }
    // A kept file is not overwritten by the next session: its motor is refused until it is dealt with.
    EXPECT_FALSE(store.WhyCannotSave(failing).empty());
    EXPECT_THROW(store.Save(failing, ops), CVQXException);
}

// A project change: the programs whose motors are reached go back, the others stay held (file
// and entry) without a message; a later round finds a motor by its serial number on another port
// and address, and a motor that answers as another one is refused until the right one comes.
TEST_F(BackupStore, RestoreFoundKeepsWhatCannotGoBackForALaterRound)
{
    port.id = 0;
    tools::CProgramBackupStore store("TM", dir.Path());
    CMotor& moved = Motor(1, 21, "moved END");
    CMotor& mute = Motor(2, 22, "mute END");
    CMotor& swapped = Motor(3, 23, "swapped END");
    CMotor& fine = Motor(4, 24, "fine END");
    for (CMotor* m : {&moved, &mute, &swapped, &fine})
        store.Save(*m, ops);
    for (CMotor* m : {&moved, &mute, &swapped, &fine})
        ops.program[m] = "tuning";
    ops.fail[&mute] = 3;
    ops.serial[&swapped] = 99;
    // The motor found for an entry: by its key, except the one that is not reached now.
    using Entry = tools::CProgramBackupStore::Entry;
    auto results = store.RestoreFound([&](const Entry& e) { return e.address == 1 ? nullptr : Find(e.portId, e.address); }, ops);
    using O = tools::CProgramBackupStore::Outcome;
    const struct {
        const CMotor* motor;
        O outcome;
        const char* program;
    } first[] = {{&mute, O::Failed, "tuning"}, {&swapped, O::OtherMotor, "tuning"}, {&fine, O::Restored, "fine END"}};
    ASSERT_EQ(results.size(), std::size(first));
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].outcome, first[i].outcome);
        EXPECT_EQ(ops.program[first[i].motor], first[i].program);
    }
    ASSERT_EQ(store.Entries().size(), 3u);
    for (const Entry& e : store.Entries())
        EXPECT_TRUE(Exists(e.path)) << e.path;
    EXPECT_FALSE(store.Holds(0, 4));
    EXPECT_NE(store.Held(0, 1), nullptr);
    EXPECT_EQ(store.Held(0, 1)->serial, 21u);

    // The next round: the moved motor is found by its serial number at address 7 of another
    // port; the mute one answers; the swapped address still holds another motor.
    CCommPort other;
    other.id = 5;
    auto elsewhere = std::make_unique<CMotor>();
    elsewhere->Address = 7;
    elsewhere->Name = "Motor7";
    elsewhere->SetPort(&other);
    ops.serial[elsewhere.get()] = 21;
    ops.program[elsewhere.get()] = "tuning";
    ops.fail[&mute] = 0;
    results = store.RestoreFound(
        [&](const Entry& e) { return e.serial == 21 ? elsewhere.get() : Find(e.portId, e.address); }, ops);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].outcome, O::Restored);
    EXPECT_EQ(ops.program[elsewhere.get()], "moved END");
    EXPECT_EQ(results[1].outcome, O::Restored);
    EXPECT_EQ(ops.program[&mute], "mute END");
    EXPECT_EQ(results[2].outcome, O::OtherMotor);
    ASSERT_EQ(store.Entries().size(), 1u);
    EXPECT_EQ(store.Entries()[0].address, 3);
    // Closing: the one left is given up with a message naming its file, which stays.
    results = store.RestoreAll([](const Entry&) -> CMotor* { return nullptr; }, ops);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, O::MotorGone);
    EXPECT_NE(results[0].message.find("\"" + results[0].entry.path + "\""), std::string::npos);
    EXPECT_TRUE(Exists(results[0].entry.path));
    EXPECT_TRUE(store.Entries().empty());
}

} // namespace
