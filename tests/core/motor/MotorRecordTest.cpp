#include "core/motor/Motor.h"
#include "tests/core/motor/FakeModels.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

CMotor DefinedMotor()
{
    CMotor m;
    m.Address = 3;
    m.Version = "462";
    m.ProgName = "/home/user/progs/move.tqx";
    m.ProgSize = 100;
    m.progDate = SystemTime{2006, 5, 0, 17, 9, 30, 45, 0};
    m.ProgChecksum = 0x1234;
    m.SerialNumber = (uint32_t('A') << 24) + 5;
    m.MotorType = 1;
    m.ProdDates[5] = PackDate(2006, 1, 1);
    return m;
}

// What detection reads back from the same motor: the name as the factory block holds it.
CMotor DetectedTwin()
{
    CMotor d = DefinedMotor();
    d.ProgName = "move.tqx";
    return d;
}

} // namespace

TEST(MotorCompare, EqualMotorsGiveNoDifferenceAndAreLinked)
{
    CFakeModels models(StandardModels());
    CMotor m = DefinedMotor();
    CMotor d = DetectedTwin();
    EXPECT_EQ(m.CompareWith(d), 0);
    EXPECT_EQ(m.linked, &d);
    EXPECT_EQ(d.linked, &m);
}

TEST(MotorCompare, EachDifferenceSetsItsBitAndTheWholeMaskIsReported)
{
    CFakeModels models(StandardModels());
    struct Case {
        void (*change)(CMotor&);
        int mask;
    } cases[] = {
        {[](CMotor& d) { d.ProgChecksum = 1; }, 32 + 1024},
        {[](CMotor& d) { d.ProgSize = 1; }, 8 + 1024},
        {[](CMotor& d) { d.Address = 4; }, 512},
        {[](CMotor& d) { d.Version = "450"; }, 2},
        {[](CMotor& d) { d.ProgName = "other.tqx"; }, 4},
        {[](CMotor& d) { d.progDate.wSecond = 1; }, 16},
        {[](CMotor& d) { d.SerialNumber = 7; }, 128},
        {[](CMotor& d) { d.MotorType = 2; }, 64 + 4096},
        {[](CMotor& d) { d.Model = "Special"; }, 4096},
        {[](CMotor& d) { d.ProdDates[5] = 1; }, 2048},
    };
    for (const Case& c : cases) {
        CMotor m = DefinedMotor();
        CMotor d = DetectedTwin();
        c.change(d);
        EXPECT_EQ(m.CompareWith(d), c.mask);
        EXPECT_EQ(m.diffMask, c.mask);
        EXPECT_EQ(d.diffMask, c.mask);
    }
}

TEST(MotorCompare, ModelTextDefaultsToTheModelName)
{
    CFakeModels models(StandardModels());
    CMotor m = DefinedMotor();
    CMotor d = DetectedTwin();
    d.Model = "TQ2315S";  // the name of model 1, which the defined motor has
    EXPECT_EQ(m.CompareWith(d), 0);
}

TEST(MotorCompare, ErasedProgramTakesTheDefinedDateAndNoEepromComparesIdentityOnly)
{
    CMotor m = DefinedMotor();
    m.ProgName = "<END>";
    CMotor d = DetectedTwin();
    d.ProgName = "<END>";
    d.progDate = SystemTime{};
    EXPECT_EQ(m.CompareWith(d), 0);
    EXPECT_TRUE(SameMoment(d.progDate, m.progDate));

    CMotor n = DefinedMotor();
    n.eepromPresent = false;
    CMotor e = DetectedTwin();
    e.ProgChecksum = 99;
    e.SerialNumber = 1;
    EXPECT_EQ(n.CompareWith(e), 0);
    e.Address = 9;
    EXPECT_EQ(n.CompareWith(e), 512);
}

TEST(MotorRecord, CopyTakesEverythingButListIndexAndComparison)
{
    CMotor src = DefinedMotor();
    src.SetListIndex(5);
    src.Name = "X axis";
    src.UParamIndex[1] = 3;
    ASSERT_TRUE(src.AddAssociatedFile("/p/a.tqs"));
    ASSERT_TRUE(src.AddAssociatedFile("/p/b.TQC"));
    src.SetMainAssociatedFile(1);
    CMotor other;
    src.CompareWith(other);

    CMotor copy;
    copy = src;
    EXPECT_EQ(copy.GetListIndex(), -1);
    EXPECT_EQ(copy.Name, "X axis");
    EXPECT_EQ(copy.UParamIndex[1], 3);
    EXPECT_EQ(copy.diffMask, 0);
    EXPECT_EQ(copy.linked, nullptr);
    ASSERT_EQ(copy.associatedFiles.GetCount(), 2);
    // Deep: own entries with the same names, the main entry pointing into the copy's list.
    EXPECT_NE(copy.associatedFiles.GetAt(0), src.associatedFiles.GetAt(0));
    ASSERT_NE(copy.GetMainAssociatedFile(), nullptr);
    EXPECT_EQ(copy.GetMainAssociatedFile(), copy.associatedFiles.GetAt(1));
    EXPECT_EQ(copy.GetMainAssociatedFile()->FileName, "/p/b.TQC");

    // A borrowed list takes the entries over.
    CMotor borrower;
    borrower.associatedFiles.borrowed = true;
    borrower = src;
    EXPECT_EQ(borrower.associatedFiles.GetAt(0), src.associatedFiles.GetAt(0));
}

TEST(MotorRecord, AssociatedFilesRefuseDuplicatesOtherTypesAndOverflow)
{
    CMotor m;
    m.Name = "M1";
    std::vector<std::string> messages;
    auto stop = [&](const std::string& text) { messages.push_back(text); };
    EXPECT_TRUE(m.AddAssociatedFile("/src/Prog.tqs", stop));
    EXPECT_FALSE(m.AddAssociatedFile("/SRC/PROG.TQS", stop));
    EXPECT_FALSE(m.AddAssociatedFile("/src/readme.txt", stop));
    EXPECT_FALSE(m.AddAssociatedFile("/src/readme.txt"));  // no window: refused silently
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "The file \"/SRC/PROG.TQS\" is already associated with the motor \"M1\"!");
    EXPECT_EQ(messages[1], "The file \"/src/readme.txt\" is not a Tessaraxon Program File!");
    for (int i = 1; i < 100; ++i)
        ASSERT_TRUE(m.AddAssociatedFile("/f" + std::to_string(i) + ".tqc"));
    EXPECT_FALSE(m.AddAssociatedFile("/one-too-many.tqs"));
    EXPECT_EQ(m.associatedFiles.GetCount(), 100);
}

TEST(MotorRecord, CompareFilesByLengthAndBytes)
{
    const auto dir = std::filesystem::temp_directory_path() / ("vqx-motor-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    };
    const std::string a = write("a", "abc"), b = write("b", "abc"), c = write("c", "abd"),
                      big = write("big", std::string(32768, 'x')), edge = write("edge", std::string(32767, 'x'));
    EXPECT_EQ(CMotor::CompareFiles(a, b), 0);
    EXPECT_EQ(CMotor::CompareFiles(a, c), 1);
    EXPECT_EQ(CMotor::CompareFiles(a, edge), 1);
    EXPECT_EQ(CMotor::CompareFiles(edge, edge), 0);
    EXPECT_EQ(CMotor::CompareFiles(a, big), -1);
    EXPECT_EQ(CMotor::CompareFiles(a, (dir / "missing").string()), -1);
    // Names that are no files are refused without reading: an endless device, a FIFO no one
    // writes to (opening it for reading would wait), a folder.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(CMotor::CompareFiles("/dev/zero", "/dev/zero"), -1);
    EXPECT_EQ(CMotor::CompareFiles(a, (dir / "fifo").string()), -1);
    EXPECT_EQ(CMotor::CompareFiles(dir.string(), dir.string()), -1);
    std::filesystem::remove_all(dir);
}

TEST(MotorModels, MatchByNameThenContainmentThenWithoutCapitals)
{
    CFakeModels models(StandardModels());
    auto match = [](const std::string& model) {
        CMotor m;
        m.Model = model;
        return m.MatchModel();
    };
    EXPECT_EQ(match("tq2315d"), 2);   // equal ignoring case
    EXPECT_EQ(match("TQ231"), 1);     // shortest name containing it (TQ2315S before TQ2315D: same length, first)
    EXPECT_EQ(match("QL17-XL"), 5);   // longest name contained in it
    EXPECT_EQ(match("TQ3410AB"), 3);  // contained
    EXPECT_EQ(match("XYQL17"), 5);
    EXPECT_EQ(match("ZZZ"), 0);
    // An empty text, or one that is empty once its capitals are gone, matches nothing, and an
    // empty model name never matches.
    EXPECT_EQ(match(""), 0);
    EXPECT_EQ(match("ABC"), 0);
}

TEST(MotorVersion, FirmwareCompatibility)
{
    struct Case {
        const char* motor;
        const char* target;
        bool ok;
    } cases[] = {
        {"450", "500", false}, {"461", "461", true},  {"461h", "461", true},  {"462", "461", false},
        {"462", "462", true},  {"462ah", "462", true}, {"461", "462", false}, {"463", "463", true},
        {"465", "463", true},  {"462", "463", false}, {"450", "463", false}, {"450", "400", true},
        {"461", "400", false}, {"510", "520", true},  {"", "450", false},
    };
    for (const Case& c : cases) {
        CMotor m;
        m.Version = c.motor;
        EXPECT_EQ(m.IsFirmwareCompatible(c.target), c.ok) << c.motor << " / " << c.target;
    }
}
