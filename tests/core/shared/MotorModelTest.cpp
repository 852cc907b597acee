#include "core/archive/TagArchive.h"
#include "core/shared/MotorModel.h"
#include "core/shared/MotorModels.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

CMotorModel FullModel()
{
    CMotorModel m;
    m.Name = "TQ-2315";
    m.Index = 7;
    m.ContinuousTorque = 0.35;
    m.PeakTorque = 1.2;
    m.TorqueConstant = 0.045;
    m.NominalContinuousPower = 98.5;
    m.TopSpeed = 4500;
    m.VoltageConstant = 4.7;
    m.WindingResistance = 1.9;
    m.EncoderResolution = 4000;
    m.RotorInteria = 0.000012;
    m.Poles = 8;
    m.Slots = 12;
    m.ShaftDiameter = 8;
    m.Weight = 0.9;
    m.Length = 75.5;
    m.Width = 57;
    m.Flags = 0x81;
    m.Comments = "test record";
    m.SetPicture({'P', 'N', 'G', 0, 1, 2, 3});
    m.KP = 30;
    m.KI = 2;
    m.KD = 300;
    m.KL = 100;
    m.KS = 1;
    m.KV = 1000;
    m.KA = 50;
    m.KG = -5;
    for (int i = 0; i < 5; ++i)
        m.LEDs[static_cast<size_t>(i)] = CMotorModel::MakeLed(static_cast<int16_t>(10 * i), static_cast<int16_t>(-i));
    return m;
}

std::vector<uint8_t> Store(CMotorModel& m, const std::string& group = "Arr0")
{
    CTagArchive ar(kModelsClassName);
    ar.OpenForWriteMemory();
    m.Serialize(group, ar);
    EXPECT_TRUE(ar.Close());
    return ar.TakeBytes();
}

CMotorModel Load(const std::vector<uint8_t>& bytes, uint32_t mode = 0, CMotorModel start = {})
{
    CTagArchive ar(kModelsClassName, mode);
    EXPECT_TRUE(ar.OpenForReadMemory(bytes));
    start.Serialize("Arr0", ar);
    ar.Close();
    return start;
}

} // namespace

TEST(MotorModel, DefaultsOfTheRecord)
{
    CMotorModel m;
    EXPECT_EQ(m.Name, "");
    EXPECT_EQ(m.Index, -1);
    EXPECT_EQ(m.EncoderResolution, 0u);
    EXPECT_EQ(m.BitmapDataSize, 0);
    EXPECT_EQ(m.PictureState, 0);
    EXPECT_FALSE(m.HasPicture());
    for (auto led : m.LEDs)
        EXPECT_EQ(led, 0u);
}

TEST(MotorModel, RoundTripKeepsEveryField)
{
    CMotorModel m = FullModel();
    const auto bytes = Store(m);
    EXPECT_EQ(m.PictureState, 2);
    CMotorModel back = Load(bytes);
    EXPECT_EQ(back.PictureState, 2);
    EXPECT_EQ(back, m);
    EXPECT_EQ(back.Picture, (std::vector<uint8_t>{'P', 'N', 'G', 0, 1, 2, 3}));
    EXPECT_EQ(CMotorModel::LedX(back.LEDs[3]), 30);
    EXPECT_EQ(CMotorModel::LedY(back.LEDs[3]), -3);
}

TEST(MotorModel, AbsentGroupChangesNothing)
{
    CMotorModel m = FullModel();
    const auto bytes = Store(m, "Other");
    CMotorModel start = FullModel();
    start.Name = "kept";
    CMotorModel back = Load(bytes, 0, start);
    EXPECT_EQ(back, start);
}

TEST(MotorModel, MissingItemsLoadAsZeroIndexIncluded)
{
    CTagArchive ar(kModelsClassName);
    ar.OpenForWriteMemory();
    ar.OpenGroup("Arr0");
    std::string name = "Only a name";
    ar.SerializeString("Name", name, "");
    int16_t shortPoles = 4; // wrong size for "Poles"
    ar.SerializeShort("Poles", shortPoles, 0);
    ar.CloseGroup();
    ASSERT_TRUE(ar.Close());
    CMotorModel back = Load(ar.TakeBytes(), 0, FullModel());
    EXPECT_EQ(back.Name, "Only a name");
    EXPECT_EQ(back.Index, 0);
    EXPECT_EQ(back.Poles, 0);
    EXPECT_EQ(back.Comments, "");
    EXPECT_EQ(back.EncoderResolution, 0u);
    EXPECT_EQ(back.BitmapDataSize, 0);
    EXPECT_TRUE(back.Picture.empty());
    // No "LEDs" group: the LED values are left as they were.
    EXPECT_EQ(back.LEDs, FullModel().LEDs);
}

TEST(MotorModel, MoreThanFiveLedsFillOnlyFive)
{
    CTagArchive ar(kModelsClassName);
    ar.OpenForWriteMemory();
    ar.OpenGroup("Arr0");
    uint32_t leds[7] = {1, 2, 3, 4, 5, 6, 7};
    ar.SerializeValueList("LEDs", leds, 7, 7, 0u);
    ar.CloseGroup();
    ASSERT_TRUE(ar.Close());
    CMotorModel back = Load(ar.TakeBytes());
    EXPECT_EQ(back.LEDs, (std::array<uint32_t, 5>{1, 2, 3, 4, 5}));
}

TEST(MotorModel, NoPictureMeansNoBlock)
{
    CMotorModel m = FullModel();
    m.SetPicture({});
    CMotorModel back = Load(Store(m));
    EXPECT_EQ(back.BitmapDataSize, 0);
    EXPECT_TRUE(back.Picture.empty());
    EXPECT_FALSE(back.HasPicture());
    EXPECT_EQ(back.PictureState, 2);
}

TEST(MotorModel, SkipPicturesKeepsTheOldPicture)
{
    CMotorModel m = FullModel();
    m.SetPicture({9, 9});
    const auto bytes = Store(m);
    CMotorModel start;
    start.SetPicture({1, 2, 3});
    CMotorModel back = Load(bytes, CTagArchive::kSkipPictures, start);
    EXPECT_EQ(back.PictureState, 1);
    EXPECT_EQ(back.Picture, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(back.Name, "TQ-2315");
}

TEST(MotorModel, PictureSizeThatDoesNotMatchGivesNoPicture)
{
    for (int32_t claimed : {-5, 3, 1000, 0x7FFFFFFF}) {
        CTagArchive ar(kModelsClassName);
        ar.OpenForWriteMemory();
        ar.OpenGroup("Arr0");
        ar.SerializeLong("BitmapDataSize", claimed, 0);
        std::vector<uint8_t> picture{1, 2, 3, 4, 5, 6, 7, 8};
        ar.SerializeSizedBytes("BitmapData", picture, 8);
        ar.CloseGroup();
        ASSERT_TRUE(ar.Close());
        CMotorModel back = Load(ar.TakeBytes());
        EXPECT_EQ(back.BitmapDataSize, 0) << claimed;
        EXPECT_TRUE(back.Picture.empty()) << claimed;
        EXPECT_EQ(back.PictureState, 2);
    }
}

// ---- The table and the database file ---------------------------------------------------------

TEST(MotorModels, FileRoundTripSetsIndexes)
{
    TempFolder tmp;
    const auto path = tmp.File("TQModels.tqm");
    CMotorModels table;
    for (int i = 0; i < 6; ++i) {
        CMotorModel m = FullModel();
        m.Name = "Model " + std::to_string(i);
        m.Index = 99; // the table sets it
        ASSERT_TRUE(table.Add(m));
    }
    EXPECT_EQ(table.Get(5)->Index, 5);
    ASSERT_TRUE(table.Save(path));

    CMotorModels loaded;
    std::string error;
    ASSERT_TRUE(loaded.Load(path, &error)) << error;
    ASSERT_EQ(loaded.GetCount(), 6);
    for (int i = 0; i < 6; ++i) {
        CMotorModel expected = *table.Get(i);
        expected.PictureState = 2; // stored or loaded
        EXPECT_TRUE(*loaded.Get(i) == expected) << i;
        EXPECT_EQ(loaded.Get(i)->Index, i);
    }
    EXPECT_EQ(loaded.Get(6), nullptr);
    EXPECT_EQ(loaded.Get(-1), nullptr);

    // Loading without pictures.
    CMotorModels light;
    ASSERT_TRUE(light.Load(path, nullptr, nullptr, CTagArchive::kSkipPictures));
    EXPECT_TRUE(light.Get(0)->Picture.empty());
    EXPECT_EQ(light.Get(0)->PictureState, 1);
}

TEST(MotorModels, LoaderSetsIndexFromThePosition)
{
    TempFolder tmp;
    const auto path = tmp.File("m.tqm");
    CMotorModels borrowed(true);
    CMotorModel m;
    m.Index = 42;
    borrowed.Add(m);
    borrowed.Add(m);
    ASSERT_TRUE(borrowed.Save(path));
    CMotorModels table;
    ASSERT_TRUE(table.Load(path));
    EXPECT_EQ(table.Get(1)->Index, 1);
    CMotorModels keep(true);
    ASSERT_TRUE(keep.Load(path));
    EXPECT_EQ(keep.Get(1)->Index, 42);
}

TEST(MotorModels, FileWithoutTheGroupLoadsNoModels)
{
    TempFolder tmp;
    const auto path = tmp.File("empty.tqm");
    CTagArchive ar(kModelsClassName);
    ASSERT_TRUE(ar.OpenForWrite(path));
    ASSERT_TRUE(ar.Close());
    CMotorModels table;
    table.Add(CMotorModel{});
    ASSERT_TRUE(table.Load(path));
    EXPECT_EQ(table.GetCount(), 0);
}

TEST(MotorModels, MoreThan200ModelsAreCappedWithAWarning)
{
    TempFolder tmp;
    const auto path = tmp.File("many.tqm");
    CTagArchive ar(kModelsClassName);
    ASSERT_TRUE(ar.OpenForWrite(path));
    ar.SerializeList(kModelsGroup, 230, 1000, [&](int i, const std::string& arrName) {
        CMotorModel m;
        m.Name = "M" + std::to_string(i);
        m.Serialize(arrName, ar);
    });
    ASSERT_TRUE(ar.Close());
    CMotorModels table;
    std::vector<std::string> warnings;
    ASSERT_TRUE(table.Load(path, nullptr, &warnings));
    EXPECT_EQ(table.GetCount(), 200);
    EXPECT_EQ(table.Get(199)->Name, "M199");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("230"), std::string::npos);
    EXPECT_FALSE(table.Add(CMotorModel{}));
}

TEST(MotorModels, MissingWrongAndCorruptFilesGiveTheMessage)
{
    TempFolder tmp;
    CMotorModels table;
    CMotorModel kept;
    kept.Name = "kept";
    table.Add(kept);
    std::string error;

    EXPECT_FALSE(table.Load(tmp.File("none.tqm"), &error));
    EXPECT_EQ(error.rfind("Cannot open the TQModels database file, please reinstall VQX.", 0), 0u);

    // Another class name.
    const auto other = tmp.File("other.tqm");
    {
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForWrite(other));
        ASSERT_TRUE(ar.Close());
    }
    error.clear();
    EXPECT_FALSE(table.Load(other, &error));
    EXPECT_FALSE(error.empty());

    // Garbage, empty and truncated files.
    const auto garbage = tmp.File("garbage.tqm");
    const char junk[] = {'\xFF', '\xFF', '\xFF', '\xFF', ' ', 'g', 'a', 'r', 'b', 'a', 'g', 'e', '\0', '\x01'};
    std::ofstream(garbage, std::ios::binary) << std::string(junk, sizeof junk);
    EXPECT_FALSE(table.Load(garbage, &error));
    const auto empty = tmp.File("empty.tqm");
    std::ofstream(empty, std::ios::binary).flush();
    EXPECT_FALSE(table.Load(empty, &error));
    EXPECT_FALSE(table.Load(tmp.Path(), &error)); // a folder

    CMotorModels good;
    CMotorModel m = FullModel();
    for (int i = 0; i < 3; ++i)
        good.Add(m);
    const auto full = tmp.File("full.tqm");
    ASSERT_TRUE(good.Save(full));
    std::ifstream in(full, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto cut = tmp.File("cut.tqm");
    for (size_t len : {size_t{1}, size_t{9}, bytes.size() / 2, bytes.size() - 1}) {
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, len);
        EXPECT_FALSE(table.Load(cut, &error)) << len;
    }
    // The table is left as it was by every failed load.
    ASSERT_EQ(table.GetCount(), 1);
    EXPECT_EQ(table.Get(0)->Name, "kept");
}

TEST(MotorModels, HostileSizesInsideAValidFileNeverCrash)
{
    // Every byte of a valid file flipped in turn: each load either succeeds or fails cleanly.
    TempFolder tmp;
    CMotorModels good;
    good.Add(FullModel());
    good.Add(FullModel());
    const auto full = tmp.File("full.tqm");
    ASSERT_TRUE(good.Save(full));
    std::ifstream in(full, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto bad = tmp.File("bad.tqm");
    for (size_t i = 0; i < bytes.size(); i += 3) {
        std::string corrupt = bytes;
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0xA5);
        std::ofstream(bad, std::ios::binary) << corrupt;
        CMotorModels table;
        std::string error;
        if (table.Load(bad, &error)) {
            EXPECT_LE(table.GetCount(), 2);
            for (int k = 0; k < table.GetCount(); ++k)
                EXPECT_EQ(static_cast<size_t>(table.Get(k)->BitmapDataSize), table.Get(k)->Picture.size());
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}
