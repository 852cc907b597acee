#include "core/archive/TagArchive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Little helpers that build expected bytes by hand.
void Put(Bytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutName(Bytes& b, std::string_view name)
{
    b.push_back(static_cast<uint8_t>(name.size()));
    Put(b, name);
}
// A value record: name, A = 0, B = size, bytes.
void PutValue(Bytes& b, std::string_view name, const Bytes& value)
{
    PutName(b, name);
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(value.size()));
    b.insert(b.end(), value.begin(), value.end());
}
// A group record around already-built children.
Bytes Group(std::string_view name, int count, const Bytes& children)
{
    Bytes b;
    PutName(b, name);
    Put32(b, static_cast<uint32_t>(count));
    Put32(b, static_cast<uint32_t>(children.size()));
    b.insert(b.end(), children.begin(), children.end());
    return b;
}

template <class Fn>
Bytes Store(std::string_view className, Fn&& fn)
{
    CTagArchive ar(className);
    ar.OpenForWriteMemory();
    fn(ar);
    EXPECT_TRUE(ar.Close());
    return ar.TakeBytes();
}

// A record that uses every accessor, nested groups and both kinds of list.
struct Sample {
    uint8_t byteV = 0;
    char charV = 0;
    bool boolV = false;
    int16_t shortV = 0;
    uint16_t ushortV = 0;
    int32_t intV = 0;
    uint32_t dwordV = 0;
    double doubleV = 0;
    CTagRect rectV;
    std::string stringV;
    uint8_t buffer[6] = {};
    std::vector<uint8_t> sized;
    std::vector<uint8_t> blob;
    uint32_t prodDates[6] = {};
    std::vector<int32_t> params;
    struct Item {
        std::string fileName;
        int32_t n = 0;
    };
    std::vector<Item> items;
    int32_t deepValue = 0;
    uint32_t sizedLen = 0;

    void Serialize(CTagArchive& ar)
    {
        ar.SerializeByte("Byte", byteV, 7);
        ar.SerializeChar("Char", charV, 'x');
        ar.SerializeBool("Bool", boolV, true);
        ar.SerializeShort("Short", shortV, -7);
        ar.SerializeShort("UShort", ushortV, 7);
        ar.SerializeInt("Int", intV, -77);
        ar.SerializeDword("Dword", dwordV, 77);
        ar.SerializeDouble("Double", doubleV, 7.5);
        const CTagRect def{1, 2, 3, 4};
        ar.SerializeRect("Rect", rectV, &def);
        ar.SerializeString("String", stringV, "def");
        ar.SerializeBuffer("Buffer", buffer, sizeof buffer);
        ar.SerializeDword("SizedLen", sizedLen, 0);
        ar.SerializeSizedBytes("Sized", sized, sizedLen);
        ar.SerializeBytes("Blob", blob, 1u << 20);
        ar.SerializeValueList("ProdDates", prodDates, 6, 6, 0u);
        ar.SerializeValueList("Params", params, 4, int32_t{-1});
        ar.SerializeList("Items", items, 100, [&](Item& it, const std::string& arrName) {
            CTagGroup g(ar, arrName);
            if (!g)
                return;
            ar.SerializeString("FileName", it.fileName, "");
            ar.SerializeInt("N", it.n, 0);
        });
        CTagGroup a(ar, "A");
        if (a) {
            CTagGroup b(ar, "B");
            if (b)
                ar.SerializeInt("Deep", deepValue, 0);
        }
    }
};

Sample FilledSample()
{
    Sample s;
    s.byteV = 200;
    s.charV = 'Q';
    s.boolV = false;
    s.shortV = -1234;
    s.ushortV = 60000;
    s.intV = -123456789;
    s.dwordV = 0xDEADBEEF;
    s.doubleV = -2.25;
    s.rectV = {-1, 20, 300, 4000};
    s.stringV = std::string("C:\\Progs\\a\xe9.tqs\0x", 17);
    for (int i = 0; i < 6; ++i)
        s.buffer[i] = static_cast<uint8_t>(0xA0 + i);
    s.sizedLen = 5;
    s.sized = {9, 8, 7, 6, 5};
    s.blob = {1, 2, 3};
    for (int i = 0; i < 6; ++i)
        s.prodDates[i] = 100u + i;
    s.params = {5, 6};
    s.items = {{"one.tqs", 1}, {"two.tqs", 2}, {"", 3}};
    s.deepValue = 42;
    return s;
}

void ExpectEqual(const Sample& a, const Sample& b)
{
    EXPECT_EQ(a.byteV, b.byteV);
    EXPECT_EQ(a.charV, b.charV);
    EXPECT_EQ(a.boolV, b.boolV);
    EXPECT_EQ(a.shortV, b.shortV);
    EXPECT_EQ(a.ushortV, b.ushortV);
    EXPECT_EQ(a.intV, b.intV);
    EXPECT_EQ(a.dwordV, b.dwordV);
    EXPECT_EQ(a.doubleV, b.doubleV);
    EXPECT_EQ(a.rectV, b.rectV);
    EXPECT_EQ(a.stringV, b.stringV);
    EXPECT_EQ(0, memcmp(a.buffer, b.buffer, sizeof a.buffer));
    EXPECT_EQ(a.sized, b.sized);
    EXPECT_EQ(a.blob, b.blob);
    EXPECT_EQ(0, memcmp(a.prodDates, b.prodDates, sizeof a.prodDates));
    EXPECT_EQ(a.params, b.params);
    ASSERT_EQ(a.items.size(), b.items.size());
    for (size_t i = 0; i < a.items.size(); ++i) {
        EXPECT_EQ(a.items[i].fileName, b.items[i].fileName);
        EXPECT_EQ(a.items[i].n, b.items[i].n);
    }
    EXPECT_EQ(a.deepValue, b.deepValue);
}

Bytes SampleBytes()
{
    Sample s = FilledSample();
    return Store("VQXTestFile", [&](CTagArchive& ar) { s.Serialize(ar); });
}

std::string TempDir()
{
    char tmpl[] = "/tmp/vqx-archive-XXXXXX";
    const char* d = mkdtemp(tmpl);
    EXPECT_NE(d, nullptr);
    return d ? d : "/tmp";
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Byte layouts, computed by hand

TEST(TagArchive, EmptyGroupBytes)
{
    // 1, K, then A = 1 and B = 10 as 32-bit integers, then 1, G, then two 32-bit zeros.
    Bytes got = Store("K", [](CTagArchive& ar) {
        ASSERT_TRUE(ar.OpenGroup("G"));
        ar.CloseGroup();
    });
    const Bytes expected = {1, 'K', 1, 0, 0, 0, 10, 0, 0, 0, 1, 'G', 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(got, expected);
}

TEST(TagArchive, FourByteValueOccupies22Bytes)
{
    int32_t maxMotors = 10;
    Bytes got = Store("K", [&](CTagArchive& ar) { ar.SerializeInt("MaxMotors", maxMotors, 0); });
    Bytes value;
    PutValue(value, "MaxMotors", {10, 0, 0, 0});
    EXPECT_EQ(value.size(), 22u);
    EXPECT_EQ(got, Group("K", 1, value));
}

TEST(TagArchive, EveryAccessorEncodesLittleEndian)
{
    uint8_t by = 0xAB;
    char ch = 'z';
    bool bo = true;
    int16_t sh = -2;
    uint16_t us = 0x1234;
    int32_t in = -1;
    uint32_t dw = 0x01020304;
    double d = 1.0;
    CTagRect r{1, -1, 0x100, 0x7FFFFFFF};
    std::string s = "ab";
    uint8_t buf[3] = {7, 8, 9};
    Bytes got = Store("C", [&](CTagArchive& ar) {
        ar.SerializeByte("b", by, 0);
        ar.SerializeChar("c", ch, 0);
        ar.SerializeBool("o", bo, false);
        ar.SerializeShort("s", sh, 0);
        ar.SerializeShort("u", us, 0);
        ar.SerializeInt("i", in, 0);
        ar.SerializeDword("d", dw, 0);
        ar.SerializeDouble("f", d, 0);
        ar.SerializeRect("r", r, nullptr);
        ar.SerializeString("t", s, "");
        ar.SerializeBuffer("x", buf, 3);
    });
    Bytes c;
    PutValue(c, "b", {0xAB});
    PutValue(c, "c", {'z'});
    PutValue(c, "o", {1});
    PutValue(c, "s", {0xFE, 0xFF});
    PutValue(c, "u", {0x34, 0x12});
    PutValue(c, "i", {0xFF, 0xFF, 0xFF, 0xFF});
    PutValue(c, "d", {4, 3, 2, 1});
    PutValue(c, "f", {0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
    PutValue(c, "r", {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
    PutValue(c, "t", {'a', 'b'});
    PutValue(c, "x", {7, 8, 9});
    EXPECT_EQ(got, Group("C", 11, c));
}

TEST(TagArchive, NestedGroupsPatchCountsAndSizes)
{
    int32_t v = 5;
    std::string empty;
    Bytes got = Store("K", [&](CTagArchive& ar) {
        ASSERT_TRUE(ar.OpenGroup("Outer"));
        ar.SerializeInt("v", v, 0);
        ASSERT_TRUE(ar.OpenGroup("In"));
        ar.SerializeString("e", empty, "");
        ar.CloseGroup();
        ar.CloseGroup();
        ar.SerializeInt("w", v, 0);
    });
    Bytes inner;
    PutValue(inner, "e", {});
    Bytes outer;
    PutValue(outer, "v", {5, 0, 0, 0});
    Bytes in = Group("In", 1, inner);
    outer.insert(outer.end(), in.begin(), in.end());
    Bytes top = Group("Outer", 2, outer);
    PutValue(top, "w", {5, 0, 0, 0});
    EXPECT_EQ(got, Group("K", 2, top));
}

TEST(TagArchive, ListsAreGroupsOfArrChildren)
{
    uint32_t dates[3] = {1, 2, 3};
    std::vector<std::string> names = {"a", "bc"};
    Bytes got = Store("K", [&](CTagArchive& ar) {
        EXPECT_EQ(ar.SerializeValueList("D", dates, 3, 3, 0u), 3);
        EXPECT_EQ(ar.SerializeList("L", static_cast<int>(names.size()), 10,
                                   [&](int i, const std::string& arr) {
                                       CTagGroup g(ar, arr);
                                       ar.SerializeString("N", names[i], "");
                                   }),
                  2);
    });
    Bytes d;
    PutValue(d, "Arr0", {1, 0, 0, 0});
    PutValue(d, "Arr1", {2, 0, 0, 0});
    PutValue(d, "Arr2", {3, 0, 0, 0});
    Bytes e0, e1;
    PutValue(e0, "N", {'a'});
    PutValue(e1, "N", {'b', 'c'});
    Bytes l = Group("Arr0", 1, e0);
    Bytes g1 = Group("Arr1", 1, e1);
    l.insert(l.end(), g1.begin(), g1.end());
    Bytes top = Group("D", 3, d);
    Bytes lg = Group("L", 2, l);
    top.insert(top.end(), lg.begin(), lg.end());
    EXPECT_EQ(got, Group("K", 2, top));
    EXPECT_EQ(CTagArchive::ArrName(12), "Arr12");
}

// ---------------------------------------------------------------------------------------------
// Round trips and reading rules

TEST(TagArchive, RoundTripOfEveryKind)
{
    Bytes bytes = SampleBytes();
    CTagArchive in("VQXTestFile");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    Sample loaded;
    loaded.Serialize(in);
    EXPECT_TRUE(in.Close());
    ExpectEqual(loaded, FilledSample());
}

TEST(TagArchive, MissingItemsTakeTheirDefaults)
{
    Bytes bytes = Store("VQXTestFile", [](CTagArchive&) {});
    CTagArchive in("VQXTestFile");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    Sample s = FilledSample();
    s.Serialize(in);
    EXPECT_EQ(s.byteV, 7);
    EXPECT_EQ(s.charV, 'x');
    EXPECT_TRUE(s.boolV);
    EXPECT_EQ(s.shortV, -7);
    EXPECT_EQ(s.ushortV, 7);
    EXPECT_EQ(s.intV, -77);
    EXPECT_EQ(s.dwordV, 77u);
    EXPECT_EQ(s.doubleV, 7.5);
    EXPECT_EQ(s.rectV, (CTagRect{1, 2, 3, 4}));
    EXPECT_EQ(s.stringV, "def");
    // Buffers, blobs and absent lists are left alone.
    EXPECT_EQ(s.buffer[0], 0xA0);
    EXPECT_EQ(s.blob, (Bytes{1, 2, 3}));
    EXPECT_EQ(s.prodDates[5], 105u);
    EXPECT_EQ(s.params, (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(s.items.size(), 3u);
    EXPECT_EQ(s.deepValue, 42);
}

TEST(TagArchive, RectWithoutDefaultIsLeftAlone)
{
    Bytes bytes = Store("K", [](CTagArchive&) {});
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    CTagRect r{9, 9, 9, 9};
    in.SerializeRect("R", r, nullptr);
    EXPECT_EQ(r, (CTagRect{9, 9, 9, 9}));
}

TEST(TagArchive, WrongSizeGivesDefaultAndNextItemIsStillFound)
{
    int16_t two = 0x1234;
    int32_t next = 99;
    Bytes bytes = Store("K", [&](CTagArchive& ar) {
        ar.SerializeShort("X", two, 0);
        ar.SerializeInt("Y", next, 0);
    });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    int32_t x = 5, y = 0;
    in.SerializeInt("X", x, -1); // a 2-byte item read with a 4-byte accessor
    EXPECT_EQ(x, -1);
    in.SerializeInt("Y", y, -1);
    EXPECT_EQ(y, 99);
    // The 2-byte item is still there for a 2-byte accessor.
    int16_t s = 0;
    in.SerializeShort("X", s, 0);
    EXPECT_EQ(s, 0x1234);
}

TEST(TagArchive, ItemsReadInReverseOrderAreAllFound)
{
    int32_t v[5] = {10, 11, 12, 13, 14};
    Bytes bytes = Store("K", [&](CTagArchive& ar) {
        for (int i = 0; i < 5; ++i)
            ar.SerializeInt(std::string("V").append(std::to_string(i)), v[i], 0);
        ar.OpenGroup("G");
        ar.CloseGroup();
    });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    EXPECT_TRUE(in.OpenGroup("G"));
    in.CloseGroup();
    for (int i = 4; i >= 0; --i) {
        int32_t x = -1;
        in.SerializeInt(std::string("V").append(std::to_string(i)), x, -1);
        EXPECT_EQ(x, 10 + i);
    }
    // Out of order, in a scattered pattern.
    for (int i : {2, 0, 4, 1, 3, 3, 0}) {
        int32_t x = -1;
        in.SerializeInt(std::string("V").append(std::to_string(i)), x, -1);
        EXPECT_EQ(x, 10 + i);
    }
}

TEST(TagArchive, SecondItemOfTheSameNameIsReadOnlyAfterTheFirst)
{
    // The motor record stores "KI" twice.
    uint16_t ki1 = 1, ki2 = 2;
    Bytes bytes = Store("K", [&](CTagArchive& ar) {
        ar.SerializeShort("KI", ki1, 0);
        ar.SerializeShort("KI", ki2, 0);
    });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    uint16_t a = 0, b = 0;
    in.SerializeShort("KI", a, 0);
    in.SerializeShort("KI", b, 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);

    CTagArchive again("K");
    ASSERT_TRUE(again.OpenForReadMemory(bytes));
    uint16_t c = 0;
    again.SerializeShort("KI", c, 0);
    EXPECT_EQ(c, 1);
}

TEST(TagArchive, NamesAreCaseSensitive)
{
    int32_t v = 3;
    Bytes bytes = Store("K", [&](CTagArchive& ar) { ar.SerializeInt("Name", v, 0); });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    int32_t x = 0;
    in.SerializeInt("name", x, -1);
    EXPECT_EQ(x, -1);
}

TEST(TagArchive, TopRecordOfAnotherClassFailsToOpen)
{
    Bytes bytes = Store("VQXChartFile", [](CTagArchive&) {});
    CTagArchive in("VQXWatchFile");
    EXPECT_FALSE(in.OpenForReadMemory(bytes));
    EXPECT_FALSE(in.IsOpen());
    CTagArchive def; // "MainClass"
    EXPECT_EQ(def.GetClassName(), "MainClass");
    EXPECT_FALSE(def.OpenForReadMemory(bytes));
}

TEST(TagArchive, MissingGroupReturnsFalseAndLeavesDefaults)
{
    Bytes bytes = Store("K", [](CTagArchive& ar) {
        int32_t v = 1;
        ar.SerializeInt("V", v, 0);
    });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    EXPECT_FALSE(in.OpenGroup("Nope"));
    EXPECT_EQ(in.GetDepth(), 1);
    // A value is not a valid group when its A (0) is fine but... a value named "V" has 4 bytes:
    // as a group it would hold 0 children in 4 bytes, which is well-formed and empty.
    EXPECT_TRUE(in.OpenGroup("V"));
    EXPECT_EQ(in.GetGroupCount(), 0);
    in.CloseGroup();
}

TEST(TagArchive, GroupCountAndListsWithFewerOrMoreElements)
{
    std::vector<int32_t> many = {1, 2, 3, 4, 5, 6, 7, 8};
    Bytes bytes = Store("K", [&](CTagArchive& ar) { ar.SerializeValueList("P", many, 100, 0); });
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    ASSERT_TRUE(in.OpenGroup("P"));
    EXPECT_EQ(in.GetGroupCount(), 8);
    in.CloseGroup();
    int32_t kept[5] = {-1, -1, -1, -1, -1};
    EXPECT_EQ(in.SerializeValueList("P", kept, 0, 5, -9), 5); // at most 5 kept
    EXPECT_EQ(kept[4], 5);
    int32_t room[10];
    std::fill(std::begin(room), std::end(room), -1);
    EXPECT_EQ(in.SerializeValueList("P", room, 0, 10, -9), 8); // fewer in the file
    EXPECT_EQ(room[7], 8);
    EXPECT_EQ(room[8], -1);
    EXPECT_EQ(in.SerializeValueList("Absent", room, 0, 10, -9), -1);
    std::vector<std::unique_ptr<int32_t>> ptrs;
    EXPECT_EQ(in.SerializeList("P", ptrs, 3, [&](std::unique_ptr<int32_t>& p, const std::string& arr) {
                  if (!p)
                      p = std::make_unique<int32_t>(0);
                  in.SerializeInt(arr, *p, -1);
              }),
              3);
    ASSERT_EQ(ptrs.size(), 3u);
    EXPECT_EQ(*ptrs[2], 3);
}

TEST(TagArchive, DepthLimitIs49GroupsBelowRoot)
{
    CTagArchive ar("K");
    ar.OpenForWriteMemory();
    int opened = 0;
    while (ar.OpenGroup("G"))
        ++opened;
    EXPECT_EQ(opened + 1, 49); // the class group is the first of the 49
    EXPECT_FALSE(ar.IsGood());
    EXPECT_FALSE(ar.Close()); // a failed store reports it

    // Reading a file nested 48 deep below the class group works; a deeper file stops at 49.
    Bytes inner;
    for (int i = 0; i < 60; ++i)
        inner = Group("G", i == 0 ? 0 : 1, inner);
    Bytes file = Group("K", 1, inner);
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(file));
    int depth = 0;
    while (in.OpenGroup("G"))
        ++depth;
    EXPECT_EQ(depth, 48);
}

TEST(TagArchive, OverlongNameFailsTheStore)
{
    CTagArchive ar("K");
    ar.OpenForWriteMemory();
    int32_t v = 1;
    ar.SerializeInt(std::string(256, 'n'), v, 0);
    EXPECT_FALSE(ar.IsGood());
    EXPECT_FALSE(ar.Close());
    CTagArchive ok("K");
    ok.OpenForWriteMemory();
    ok.SerializeInt(std::string(255, 'n'), v, 0);
    EXPECT_TRUE(ok.Close());
}

TEST(TagArchive, ModeWordIsKeptForOwners)
{
    CTagArchive ar("K", CTagArchive::kSkipPictures);
    EXPECT_EQ(ar.GetMode(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Files: atomic save

TEST(TagArchive, FileRoundTripAndAtomicReplace)
{
    const std::string dir = TempDir();
    const std::string path = dir + "/p.spj";
    Sample s = FilledSample();
    {
        CTagArchive out("VQXTestFile");
        ASSERT_TRUE(out.OpenForWrite(path));
        EXPECT_TRUE(out.IsStoring());
        s.Serialize(out);
        ASSERT_TRUE(out.Close());
    }
    EXPECT_EQ(ReadFile(path), SampleBytes());
    {
        CTagArchive in("VQXTestFile");
        ASSERT_TRUE(in.OpenForRead(path));
        Sample loaded;
        loaded.Serialize(in);
        in.Close();
        ExpectEqual(loaded, s);
    }
    // An owner that throws half-way destroys the archive without Close: the old file stays.
    try {
        CTagArchive out("VQXTestFile");
        ASSERT_TRUE(out.OpenForWrite(path));
        int32_t v = 1;
        out.SerializeInt("Half", v, 0);
        throw std::runtime_error("owner failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ReadFile(path), SampleBytes());
    // A store that failed (name too long) does not replace the file either.
    {
        CTagArchive out("VQXTestFile");
        ASSERT_TRUE(out.OpenForWrite(path));
        int32_t v = 1;
        out.SerializeInt(std::string(300, 'x'), v, 0);
        EXPECT_FALSE(out.Close());
    }
    EXPECT_EQ(ReadFile(path), SampleBytes());
    // No temporary file is left behind.
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"p.spj"});
    unlink(path.c_str());
    rmdir(dir.c_str());
}

TEST(TagArchive, OpenFailures)
{
    CTagArchive ar("K");
    EXPECT_FALSE(ar.OpenForWrite("/nonexistent-folder-vqx/x.spj"));
    EXPECT_FALSE(ar.OpenForRead("/nonexistent-folder-vqx/x.spj"));
    const std::string dir = TempDir();
    EXPECT_FALSE(ar.OpenForRead(dir)); // a folder
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ar.OpenForRead(fifo)); // never blocks on a FIFO
    unlink(fifo.c_str());
    const std::string empty = dir + "/empty";
    { std::ofstream(empty).flush(); }
    EXPECT_FALSE(ar.OpenForRead(empty));
    // A read-only file cannot be opened for writing, and it stays as it was.
    ASSERT_EQ(chmod(empty.c_str(), 0444), 0);
    EXPECT_FALSE(ar.OpenForWrite(empty));
    EXPECT_TRUE(ReadFile(empty).empty());
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"empty"});
    unlink(empty.c_str());
    rmdir(dir.c_str());
}

// ---------------------------------------------------------------------------------------------
// Malformed input

namespace {

// Loads with the full sample routine; must never crash. Returns whether the open succeeded.
bool LoadAnything(const Bytes& bytes)
{
    CTagArchive in("VQXTestFile");
    if (!in.OpenForReadMemory(bytes))
        return false;
    Sample s;
    s.Serialize(in);
    // Poke around more: counts, repeated reads, closes beyond the top.
    (void)in.GetGroupCount();
    in.CloseGroup();
    in.CloseGroup();
    s.Serialize(in);
    in.Close();
    return true;
}

} // namespace

TEST(TagArchiveMalformed, EveryTruncationFailsCleanly)
{
    const Bytes full = SampleBytes();
    for (size_t len = 0; len < full.size(); ++len) {
        Bytes cut(full.begin(), full.begin() + static_cast<long>(len));
        EXPECT_FALSE(LoadAnything(cut)) << "length " << len; // the top group no longer fits
    }
    EXPECT_TRUE(LoadAnything(full));
}

TEST(TagArchiveMalformed, TruncatedInnerGroupsKeepTheirDefaults)
{
    // Patch the top group's B so it fits a truncated file: the inner records are then cut.
    // Its A is lowered to what can fit (B/9), as the reader demands of every group.
    const Bytes full = SampleBytes();
    const size_t top = 1 + std::string("VQXTestFile").size();
    int opened = 0;
    for (size_t len = top + 8; len < full.size(); ++len) {
        Bytes cut(full.begin(), full.begin() + static_cast<long>(len));
        const uint32_t b = static_cast<uint32_t>(len - top - 8);
        const uint32_t a = std::min<uint32_t>(b / 9, 40);
        for (int i = 0; i < 4; ++i) {
            cut[top + i] = static_cast<uint8_t>(a >> (8 * i));
            cut[top + 4 + i] = static_cast<uint8_t>(b >> (8 * i));
        }
        ASSERT_TRUE(LoadAnything(cut)) << "length " << len;
        ++opened;
        // What comes before the cut is read; what is cut keeps its default.
        CTagArchive in("VQXTestFile");
        ASSERT_TRUE(in.OpenForReadMemory(cut));
        Sample s;
        s.Serialize(in);
        const Sample want = FilledSample();
        EXPECT_TRUE(s.byteV == want.byteV || s.byteV == 7);
        EXPECT_TRUE(s.deepValue == want.deepValue || s.deepValue == 0);
        EXPECT_TRUE(s.items.size() <= want.items.size());
    }
    EXPECT_GT(opened, 100);
}

TEST(TagArchiveMalformed, EverySingleByteCorruptionIsSurvived)
{
    const Bytes full = SampleBytes();
    for (size_t pos = 0; pos < full.size(); ++pos) {
        for (uint8_t v : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t(full[pos] + 1)}) {
            Bytes bad = full;
            bad[pos] = v;
            LoadAnything(bad);
        }
    }
}

TEST(TagArchiveMalformed, RandomGarbageNeverCrashes)
{
    std::mt19937 rng(12345);
    const Bytes good = SampleBytes();
    const std::string cls = "VQXTestFile";
    for (int round = 0; round < 3000; ++round) {
        Bytes b(rng() % 600);
        for (auto& x : b)
            x = static_cast<uint8_t>(rng());
        if (round % 2 == 0) {
            // Forge a plausible class header so the reader goes deeper.
            Bytes head;
            PutName(head, cls);
            Put32(head, rng() % 40);
            Put32(head, static_cast<uint32_t>(b.size()));
            b.insert(b.begin(), head.begin(), head.end());
        }
        if (round % 3 == 0) {
            // Splice random bytes into a valid file.
            b = good;
            for (int k = 0; k < 4; ++k)
                b[rng() % b.size()] = static_cast<uint8_t>(rng());
        }
        LoadAnything(b);
    }
}

TEST(TagArchiveMalformed, AbsurdLengthsAndCountsCountAsAbsent)
{
    // A group claiming more children than fit in its bytes (A > B/9): absent.
    Bytes kids;
    PutValue(kids, "V", {1, 0, 0, 0});
    Bytes bad = Group("G", 1000000, kids);
    Bytes file = Group("K", 1, bad);
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(file));
    EXPECT_FALSE(in.OpenGroup("G"));

    // Negative counts and sizes.
    for (uint32_t a : {0xFFFFFFFFu, 0x80000000u}) {
        Bytes g;
        PutName(g, "G");
        Put32(g, a);
        Put32(g, 0);
        CTagArchive in2("K");
        ASSERT_TRUE(in2.OpenForReadMemory(Group("K", 1, g)));
        EXPECT_FALSE(in2.OpenGroup("G"));
    }
    for (uint32_t b : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 1000u}) {
        Bytes v;
        PutName(v, "S");
        Put32(v, 0);
        Put32(v, b); // a string whose length runs past the file
        v.push_back('x');
        Bytes f = Group("K", 1, v);
        CTagArchive in3("K");
        ASSERT_TRUE(in3.OpenForReadMemory(f));
        EXPECT_EQ(in3.GetGroupCount(), 0); // the broken child is not counted
        std::string s = "keep";
        in3.SerializeString("S", s, "default");
        EXPECT_EQ(s, "default");
        std::vector<uint8_t> blob;
        EXPECT_FALSE(in3.SerializeSizedBytes("S", blob, 0x7FFFFFFF)); // no allocation
        EXPECT_TRUE(blob.empty());
    }
    // The class record itself claiming 2 GiB.
    Bytes huge;
    PutName(huge, "K");
    Put32(huge, 1);
    Put32(huge, 0x7FFFFFFF);
    CTagArchive in4("K");
    EXPECT_FALSE(in4.OpenForReadMemory(huge));
}

TEST(TagArchiveMalformed, ChildrenAreTakenUpToTheFirstBrokenOne)
{
    Bytes kids;
    PutValue(kids, "Arr0", {1, 0, 0, 0});
    PutValue(kids, "Arr1", {2, 0, 0, 0});
    // A third record whose B runs past the group.
    PutName(kids, "Arr2");
    Put32(kids, 0);
    Put32(kids, 500);
    Bytes f = Group("K", 1, Group("L", 3, kids));
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(f));
    int32_t vals[3] = {-1, -1, -1};
    EXPECT_EQ(in.SerializeValueList("L", vals, 0, 3, -5), 2);
    EXPECT_EQ(vals[0], 1);
    EXPECT_EQ(vals[1], 2);
    EXPECT_EQ(vals[2], -1);
}

TEST(TagArchiveMalformed, ValueWithNonZeroFlagsKeepsTheDefault)
{
    Bytes v;
    PutName(v, "V");
    Put32(v, 1);
    Put32(v, 4);
    Put32(v, 77);
    Bytes f = Group("K", 1, v);
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(f));
    int32_t x = 0;
    in.SerializeInt("V", x, -3);
    EXPECT_EQ(x, -3);
    std::string s;
    in.SerializeString("V", s, "d");
    EXPECT_EQ(s, "d");
}

TEST(TagArchiveMalformed, BoolLoadsAnyNonZeroAsTrue)
{
    Bytes v;
    PutValue(v, "B", {5});
    CTagArchive in("K");
    ASSERT_TRUE(in.OpenForReadMemory(Group("K", 1, v)));
    bool b = false;
    in.SerializeBool("B", b, false);
    EXPECT_TRUE(b);
}
