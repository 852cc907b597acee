// The operand-type algebra, language files and the lookup of a version's file.
#include <gtest/gtest.h>

#include <map>

#include "core/archive/TagArchive.h"
#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

TEST(COPType, Hull)
{
    const COPType a = COPType::MakeRange(-5, 3), b = COPType::MakeRange(0, 10);
    const COPType h = a.Hull(b);
    EXPECT_EQ(h.Type, 2);
    EXPECT_EQ(h.Min, -5);
    EXPECT_EQ(h.Max, 10);
    EXPECT_EQ(a.Hull(COPType::MakeAny()).Type, 5);
    COPType none;
    EXPECT_EQ(a.Hull(none).Type, 0);
    COPType words;
    words.Type = 4;
    words.Strings = "A,B";
    words.Expression = 1;
    words.Optional = true;
    const COPType r = words.Hull(COPType::MakeAny());
    EXPECT_EQ(r.Type, 5);
    EXPECT_TRUE(r.Strings.empty());
    EXPECT_EQ(r.Expression, 0);
    EXPECT_FALSE(r.Optional);
}

TEST(COPType, FitsWithin)
{
    const COPType byte = COPType::MakeRange(0, 255);
    EXPECT_TRUE(byte.FitsWithin(COPType::MakeRange(0, 255)));
    EXPECT_FALSE(byte.FitsWithin(COPType::MakeRange(-1, 3)));
    EXPECT_FALSE(byte.FitsWithin(COPType::MakeAny()));
    EXPECT_TRUE(COPType::MakeAny().FitsWithin(COPType::MakeRange(-9, 9)));
    COPType baud;
    baud.Type = 6;
    EXPECT_TRUE(baud.FitsWithin(COPType::MakeRange(9600, 9600)));
    EXPECT_FALSE(baud.FitsWithin(COPType::MakeRange(1200, 1200)));
    COPType other;
    other.Type = 4;
    EXPECT_FALSE(other.FitsWithin(COPType::MakeRange(1, 1)));
    EXPECT_TRUE(byte.FitsConstant(255));
    EXPECT_FALSE(byte.FitsConstant(int64_t{1} << 40));
}

TEST(COPType, OverlapsAndMagnitudeAndNegate)
{
    EXPECT_TRUE(COPType::MakeRange(0, 5).Overlaps(COPType::MakeRange(5, 9)));
    EXPECT_FALSE(COPType::MakeRange(0, 4).Overlaps(COPType::MakeRange(5, 9)));
    EXPECT_TRUE(COPType::MakeRange(0, 4).Overlaps(COPType::MakeAny()));
    COPType none;
    EXPECT_FALSE(none.Overlaps(COPType::MakeAny()));

    COPType below = COPType::MakeRange(-9, -2);
    below.MakeMagnitude();
    EXPECT_EQ(below.Min, 2);
    EXPECT_EQ(below.Max, 9);
    COPType across = COPType::MakeRange(-3, 7);
    across.MakeMagnitude();
    EXPECT_EQ(across.Min, 0);
    EXPECT_EQ(across.Max, 7);
    // No undefined overflow at the 32-bit ends.
    COPType full = COPType::MakeRange(INT32_MIN, INT32_MAX);
    full.Negate();
    EXPECT_EQ(full.Min, -INT32_MAX);
    EXPECT_EQ(full.Max, INT32_MAX);
    COPType low = COPType::MakeRange(INT32_MIN, INT32_MIN);
    low.MakeMagnitude();
    EXPECT_EQ(low.Max, INT32_MAX);
}

namespace {

CLanguage SmallLanguage(int keywords, const std::string& version = "462", const std::string& header = "")
{
    CLanguage l;
    l.Version = version;
    l.HeaderVersion = header;
    for (int i = 0; i < keywords; ++i) {
        CKeyword k;
        k.Name = i < 3 ? std::string() : std::string("K").append(std::to_string(i));
        k.Type = 1;
        l.Keywords.push_back(k);
    }
    CKeyword end;
    end.Name = "END";
    end.Type = 1;
    if (keywords >= 3)
        l.Keywords.push_back(end);
    return l;
}

class MapRegistry : public CLanguageRegistry {
public:
    bool exists = true;
    std::map<std::string, std::string> values;
    bool Open() override { return exists; }
    bool Read(const std::string& name, std::string& value) override
    {
        auto it = values.find(name);
        if (it == values.end())
            return false;
        value = it->second;
        return true;
    }
};

} // namespace

TEST(LanguageFile, RoundTripKeepsEveryField)
{
    TempDir dir;
    const CLanguage l = TableLanguage();
    ASSERT_TRUE(l.Write(dir / "t.sld"));
    CLanguage back;
    std::string reason;
    ASSERT_TRUE(back.Read(dir / "t.sld", reason)) << reason;
    EXPECT_EQ(back.Version, l.Version);
    EXPECT_EQ(back.HeaderVersion, "400");
    EXPECT_EQ(back.Features, l.Features);
    EXPECT_EQ(back.Author, l.Author);
    ASSERT_EQ(back.Keywords.size(), l.Keywords.size());
    for (size_t i = 0; i < l.Keywords.size(); ++i) {
        const CKeyword &a = l.Keywords[i], &b = back.Keywords[i];
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.Type, b.Type);
        EXPECT_EQ(a.Flags, b.Flags);
        EXPECT_EQ(a.Comments, b.Comments);
        EXPECT_EQ(a.OperandCount, b.OperandCount) << a.Name;
        for (int j = 0; j < a.OperandCount; ++j)
            EXPECT_EQ(a.Operands[j], b.Operands[j]) << a.Name;
        EXPECT_EQ(a.ReturnValue, b.ReturnValue) << a.Name;
    }
}

TEST(LanguageFile, FileLayoutIsTheTaggedArchiveOfTheLanguageFile)
{
    TempDir dir;
    const CLanguage l = TableLanguage();
    ASSERT_TRUE(l.Write(dir / "t.sld"));
    CTagArchive ar("VQXLangFile");
    ASSERT_TRUE(ar.OpenForRead(dir / "t.sld"));
    std::string version, header;
    ar.SerializeString("Version", version, "");
    ar.SerializeString("HeaderVersion", header, "");
    EXPECT_EQ(version, "400");
    EXPECT_EQ(header, "400");
    ASSERT_TRUE(ar.OpenGroup("Keywords"));
    EXPECT_EQ(ar.GetGroupCount(), static_cast<int>(l.Keywords.size()));
    ASSERT_TRUE(ar.OpenGroup("Arr7")); // "A"
    std::string name;
    int32_t type = 0, flags = 0;
    ar.SerializeString("Name", name, "");
    ar.SerializeInt("Type", type, 0);
    ar.SerializeInt("Flags", flags, 0);
    EXPECT_EQ(name, "A");
    EXPECT_EQ(type, 1);
    EXPECT_EQ(flags, 7);
    ASSERT_TRUE(ar.OpenGroup("ReturnValue"));
    int32_t min = -1, max = -1, rtype = 0;
    ar.SerializeInt("Type", rtype, 0);
    ar.SerializeInt("Min", min, -1);
    ar.SerializeInt("Max", max, -1);
    EXPECT_EQ(rtype, 2);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 2147483647);
    ar.Close();
}

TEST(LanguageFile, ReturnValueDroppedWithoutSettableOrTerm)
{
    TempDir dir;
    CLanguage l = SmallLanguage(3);
    l.Keywords[3].ReturnValue = COPType::MakeRange(0, 9);
    l.Keywords[3].Flags = 0x2;
    ASSERT_TRUE(l.Write(dir / "r.sld"));
    CLanguage back;
    std::string reason;
    ASSERT_TRUE(back.Read(dir / "r.sld", reason)) << reason;
    EXPECT_EQ(back.Keywords[3].ReturnValue.Type, 0);
}

TEST(LanguageFile, RefusedFiles)
{
    TempDir dir;
    std::string reason;
    CLanguage few = SmallLanguage(2); // 2 keywords
    few.Keywords.resize(2);
    ASSERT_TRUE(few.Write(dir / "few.sld"));
    CLanguage l;
    EXPECT_FALSE(l.Read(dir / "few.sld", reason));
    EXPECT_NE(reason.find("at least 3"), std::string::npos);

    CLanguage many = SmallLanguage(501);
    ASSERT_TRUE(many.Write(dir / "many.sld"));
    EXPECT_FALSE(l.Read(dir / "many.sld", reason));
    EXPECT_NE(reason.find("500"), std::string::npos);

    CLanguage header = SmallLanguage(3, "462", "40");
    ASSERT_TRUE(header.Write(dir / "h.sld"));
    EXPECT_FALSE(l.Read(dir / "h.sld", reason));
    EXPECT_NE(reason.find("3 characters"), std::string::npos);

    EXPECT_FALSE(l.Read(dir / "missing.sld", reason));
    EXPECT_EQ(reason, "Cannot Open Language File!");
    dir.Write("garbage.sld", std::string("\x0bVQXLangFile\xff\xff\xff\x7f garbage", 25));
    EXPECT_FALSE(l.Read(dir / "garbage.sld", reason));
}

TEST(LanguageFile, EmptyHeaderVersionFromVersion)
{
    CLanguage l = SmallLanguage(3, "462", "");
    EXPECT_EQ(l.EffectiveHeaderVersion(), "400");
    l.Version = "5xx";
    EXPECT_EQ(l.EffectiveHeaderVersion(), "500");
}

TEST(LanguageLookup, RegistryValueOfTheVersion)
{
    CScanner s;
    auto reg = std::make_shared<MapRegistry>();
    reg->values = {{"Default", "450"}, {"450", "/x/450.sld"}, {"462", "C:\\lang\\462.sld"}};
    s.SetRegistry(reg);
    std::string v = "462";
    bool fellBack = true;
    EXPECT_EQ(s.GetDefaultLanguageFile(v, &fellBack), "C:/lang/462.sld");
    EXPECT_FALSE(fellBack);
    v = "";
    EXPECT_EQ(s.GetDefaultLanguageFile(v, &fellBack), "/x/450.sld");
    EXPECT_EQ(v, "450");
    v = "999";
    EXPECT_EQ(s.GetDefaultLanguageFile(v, &fellBack), "/x/450.sld");
    EXPECT_EQ(v, "450");
    EXPECT_TRUE(fellBack);
}

TEST(LanguageLookup, ProgramFolderWithoutKey)
{
    CScanner s;
    auto reg = std::make_shared<MapRegistry>();
    reg->exists = false;
    s.SetRegistry(reg);
    s.SetProgramFolder("/opt/vqx/share/vqx");
    std::string v = "462";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), "/opt/vqx/share/vqx/Default.sld");
}

TEST(LanguageLookup, MachineRegistryKey)
{
    IsolatedRegistry isolated;
    CScanner s;
    s.SetProgramFolder("/opt/vqx");
    std::string v = "462";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), "/opt/vqx/Default.sld"); // no key at all
    ASSERT_TRUE(isolated.reg.SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Scanner", "Default", "461"));
    ASSERT_TRUE(isolated.reg.SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Scanner", "461", "/l/461.sld"));
    ASSERT_TRUE(isolated.reg.SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Scanner", "462", "\\l\\462.sld"));
    EXPECT_EQ(s.GetDefaultLanguageFile(v), "/l/462.sld");
    v = "450";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), "/l/461.sld");
    EXPECT_EQ(v, "461");
}

TEST(LanguageLookup, ShippedDefaultLanguageIsFoundAndMatchesTheTable)
{
    // The build generates Default.sld into the program folder (VQX_HOME in the tests).
    IsolatedRegistry isolated;
    CScanner s;
    s.SetRegistry(std::make_shared<MapRegistry>());
    ASSERT_TRUE(s.LoadLanguageFile("400")) << s.Errors().Items().size();
    const CLanguage expected = TableLanguage();
    ASSERT_EQ(s.Language().Keywords.size(), expected.Keywords.size());
    for (size_t i = 0; i < expected.Keywords.size(); ++i) {
        EXPECT_EQ(s.Language().Keywords[i].Name, expected.Keywords[i].Name);
        EXPECT_EQ(s.Language().Keywords[i].Flags, expected.Keywords[i].Flags);
    }
    EXPECT_EQ(s.HeaderVersion(), "400");
    EXPECT_EQ(s.Features(), 0x8u);
}

class LanguageLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        reg = std::make_shared<MapRegistry>();
        s.SetRegistry(reg);
        s.SetProgramFolder(dir.Path().string());
        CLanguage multi = TableLanguage();
        multi.Version = "461, 462";
        multi.HeaderVersion = "";
        ASSERT_TRUE(multi.Write(dir / "multi.sld"));
        CLanguage def = TableLanguage();
        ASSERT_TRUE(def.Write(dir / "Default.sld"));
    }
    TempDir dir;
    std::shared_ptr<MapRegistry> reg;
    CScanner s;
};

TEST_F(LanguageLoad, SeveralVersionsInOneFile)
{
    reg->values = {{"461", dir / "multi.sld"}, {"462", dir / "multi.sld"}};
    s.Scan("END", "462");
    EXPECT_EQ(s.Errors().GetCount(), 0);
    EXPECT_EQ(s.Version(), "462");
    EXPECT_EQ(s.HeaderVersion(), "400");
    s.Scan("END", "461");
    EXPECT_EQ(s.Errors().GetCount(), 0);
    EXPECT_EQ(s.Version(), "461");
}

TEST_F(LanguageLoad, SameFileReadOnce)
{
    reg->values = {{"462", dir / "multi.sld"}};
    ASSERT_TRUE(s.LoadLanguageFile("462"));
    const CLanguage* first = &s.Language();
    std::filesystem::remove(dir / "multi.sld"); // a second read would fail
    ASSERT_TRUE(s.LoadLanguageFile("462"));
    EXPECT_EQ(&s.Language(), first);
}

// Asking again for the file already loaded gives the version of the first load when no version is
// asked for (the default file keeps its own), and the version asked for otherwise.
TEST_F(LanguageLoad, LoadingTheSameFileAgainKeepsItsVersion)
{
    reg->values = {{"462", dir / "multi.sld"}, {"461", dir / "multi.sld"}};
    const std::pair<const char*, const char*> steps[] = {
        {"", "400"}, {"", "400"}, {"400", "400"}, {"", "400"}, {"462", "462"}, {"461", "461"}, {"", "400"}, {"", "400"},
    };
    for (const auto& [asked, version] : steps) {
        ASSERT_TRUE(s.LoadLanguageFile(asked)) << asked;
        EXPECT_EQ(s.Version(), version) << "asked \"" << asked << "\"";
    }
}

TEST_F(LanguageLoad, FallbackWarningNeverLost)
{
    // No file for 450: the default file is used and 1404 is given on every scan, also when
    // the file is already loaded.
    for (int i = 0; i < 2; ++i) {
        s.Scan("END", "450");
        ASSERT_EQ(s.Errors().GetCount(), 1);
        EXPECT_EQ(s.Errors()[0].code, 1404);
        EXPECT_EQ(s.Errors()[0].message,
                  "No Language File was found for version \"450\". Using the default language file \"400\".");
        EXPECT_EQ(s.Errors()[0].line, -1);
    }
    // Also when the fallback file lists several versions.
    reg->values = {{"Default", "462"}, {"462", dir / "multi.sld"}};
    s.Scan("END", "450");
    ASSERT_EQ(s.Errors().GetCount(), 1);
    EXPECT_EQ(s.Errors()[0].code, 1404);
}

TEST_F(LanguageLoad, FailedReloadKeepsTheTableAndReadsAgain)
{
    reg->values = {{"462", dir / "multi.sld"}, {"470", dir / "broken.sld"}};
    ASSERT_TRUE(s.LoadLanguageFile("462"));
    dir.Write("broken.sld", "not an archive");
    s.Scan("END", "470");
    ASSERT_GE(s.Errors().GetCount(), 1);
    EXPECT_EQ(s.Errors()[0].code, 1246);
    EXPECT_NE(s.Errors()[0].message.find("Error reading Language module."), std::string::npos);
    EXPECT_GT(s.Language().Keywords.size(), 300u); // the old table is whole
    EXPECT_TRUE(s.LanguageFilePath().empty());
    // The good file is read again afterwards.
    s.Scan("END", "462");
    EXPECT_EQ(s.Errors().GetCount(), 0);
}

TEST_F(LanguageLoad, TooFewKeywordsRefusedWithMessage)
{
    CLanguage few;
    few.Version = "470";
    few.Keywords.resize(2);
    ASSERT_TRUE(few.Write(dir / "few.sld"));
    reg->values = {{"470", dir / "few.sld"}};
    s.Scan("END", "470");
    ASSERT_EQ(s.Errors().GetCount(), 1);
    EXPECT_EQ(s.Errors()[0].code, 1246);
    EXPECT_NE(s.Errors()[0].message.find("at least 3"), std::string::npos);
}
