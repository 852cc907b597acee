// The motor settings dialog's rules: the OK checks as a table (nothing stored on a refusal), the
// ".adb" image checks as a table with hostile files, and against a simulated motor: its identity
// read, a new serial number and model written with every other byte of the factory block kept as
// the motor had it, and an image loaded, declined or refused.
#include <gtest/gtest.h>

#include "app/setup/MotorSettings.h"
#include "core/backends/MotorSocket.h"
#include "core/detect/RS232Chain.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/shared/MotorModels.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <functional>

namespace {

constexpr uint32_t Serial(char letter, uint32_t number) { return (uint32_t(uint8_t(letter)) << 24) | number; }

std::vector<uint8_t> Image(int length, uint8_t v0 = 4, uint8_t v1 = 50, uint8_t c1 = 0, uint8_t c2 = 0)
{
    std::vector<uint8_t> b(static_cast<size_t>(length), 0);
    b[0] = 0xAD;
    b[1] = 0xB4;
    b[2] = static_cast<uint8_t>(length >> 8);
    b[3] = static_cast<uint8_t>(length);
    b[5] = 4; // newer class
    b[44] = 'R';
    b[47] = 123;
    b[52] = v0;
    b[53] = v1;
    b[54] = c1;
    b[55] = c2;
    uint8_t sum = 0;
    for (int i = 4; i <= length - 2; ++i)
        sum = static_cast<uint8_t>(sum + b[static_cast<size_t>(i)]);
    b[static_cast<size_t>(length) - 1] = sum;
    return b;
}

} // namespace

TEST(MotorSettingsRules, OkChecksInOrderAndStoresOnlyWhenAllPass)
{
    CCommPort port;
    port.SetMaxMotors(8);
    const setup::MotorSettingsEntries good{"Lift", "5", "450", "0.24576", "A77", 0, "", true, "2.5", "mm", "Sec."};
    struct Case {
        const char* what;
        std::function<void(setup::MotorSettingsEntries&)> edit;
        bool isNew;
        bool ethernet;
        const char* error; // nullptr: stored
    };
    const Case cases[] = {
        {"no name", [](auto& e) { e.name.clear(); }, true, false, "Please enter a name for this motor!"},
        {"address 0", [](auto& e) { e.address = "0"; }, true, false, "Please enter a motor address between 1 and 120!"},
        {"address 121", [](auto& e) { e.address = "121"; }, false, false, "Please enter a motor address between 1 and 120!"},
        {"address text", [](auto& e) { e.address = "5a"; }, true, false, "Please enter a motor address between 1 and 120!"},
        {"above the port's table", [](auto& e) { e.address = "9"; }, true, false, "Please enter a motor address between 1 and 8!"},
        {"no version", [](auto& e) { e.version.clear(); }, true, false, "Please enter the version of this motor!"},
        {"serial 0", [](auto& e) { e.serial = "A0"; }, true, false,
         "Invalid Serial Number.\n\nSerial number must include a character followed by a number between 1 and 16777215."},
        {"serial too big", [](auto& e) { e.serial = "A16777216"; }, true, false,
         "Invalid Serial Number.\n\nSerial number must include a character followed by a number between 1 and 16777215."},
        {"serial N/A", [](auto& e) { e.serial = "N/A"; }, true, false,
         "Invalid Serial Number.\n\nSerial number must include a character followed by a number between 1 and 16777215."},
        {"bad IP", [](auto& e) { e.ipAddress = "10.0.0.256"; }, true, true, "Invalid IP Address"},
        {"IP digits run", [](auto& e) { e.ipAddress = "1.2.3.99999999999"; }, true, true, "Invalid IP Address"},
        {"serial 1", [](auto& e) { e.serial = "A1"; }, true, false, nullptr},
        {"serial max", [](auto& e) { e.serial = "A16777215"; }, true, false, nullptr},
        {"existing motor keeps its address", [](auto& e) { e.address = "3"; }, false, false, nullptr},
        {"leading zeros", [](auto& e) { e.ipAddress = "010.001.0.9"; }, true, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMotor motor;
        motor.SetPort(&port);
        motor.Name = c.isNew ? "" : "Old";
        motor.Address = 2;
        motor.SerialNumber = Serial('A', 77);
        if (c.ethernet)
            motor.Socket = std::make_shared<CMotorSocket>("9.9.9.9");
        setup::MotorSettingsEntries e = good;
        if (c.ethernet)
            e.ipAddress = "10.0.0.5";
        c.edit(e);
        const setup::MotorSettingsOutcome out = setup::ApplyMotorSettings(motor, c.isNew, e);
        if (c.error) {
            EXPECT_EQ(out.error, c.error);
            EXPECT_EQ(motor.Name, c.isNew ? "" : "Old") << "nothing stored";
            EXPECT_EQ(motor.Address, 2);
            EXPECT_FALSE(motor.UseConversionFactor);
            if (c.ethernet) {
                EXPECT_EQ(motor.EthernetAddress(), "9.9.9.9");
            }
            continue;
        }
        EXPECT_EQ(out.error, std::nullopt);
        EXPECT_EQ(motor.Name, "Lift");
        EXPECT_EQ(motor.Address, c.isNew ? 5 : 2);
        EXPECT_EQ(motor.Version, "450");
        EXPECT_DOUBLE_EQ(motor.SamplePeriod, 0.24576);
        EXPECT_TRUE(motor.UseConversionFactor);
        EXPECT_EQ(motor.Unit, "mm");
        EXPECT_EQ(out.identityChanged, motor.SerialNumber != Serial('A', 77));
        if (c.ethernet) {
            EXPECT_EQ(motor.EthernetAddress(), "10.1.0.9") << "stored as plain decimal text";
        }
    }

    // Scaling is switched off without a factor, a unit or a time unit; a model change is an
    // identity change; an older motor's identity fields are not taken.
    for (auto edit : std::vector<std::function<void(setup::MotorSettingsEntries&)>>{
             [](auto& e) { e.factor = "0"; }, [](auto& e) { e.unit.clear(); }, [](auto& e) { e.timeUnit.clear(); }}) {
        CMotor motor;
        setup::MotorSettingsEntries e = good;
        edit(e);
        ASSERT_EQ(setup::ApplyMotorSettings(motor, true, e).error, std::nullopt);
        EXPECT_FALSE(motor.UseConversionFactor);
    }
    CMotor modelled;
    modelled.SerialNumber = Serial('A', 77);
    setup::MotorSettingsEntries e = good;
    e.modelIndex = 3;
    EXPECT_TRUE(setup::ApplyMotorSettings(modelled, true, e).identityChanged);
    EXPECT_EQ(modelled.MotorType, 3);
    CMotor older;
    older.VQXFlags = 2;
    older.Version = "410";
    e.version.clear();
    e.serial = "junk";
    ASSERT_EQ(setup::ApplyMotorSettings(older, true, e).error, std::nullopt) << "an older motor's fields are not checked";
    EXPECT_EQ(older.Version, "410");
    EXPECT_EQ(older.MotorType, 0);

    EXPECT_TRUE(setup::SerialFieldShown(""));
    EXPECT_TRUE(setup::SerialFieldShown("5a"));
    EXPECT_FALSE(setup::SerialFieldShown("462"));
    EXPECT_EQ(setup::KnownVersionEntries("400-450@462-ignored"), (std::vector<std::string>{"400", "450", "462"}));
}

TEST(SettingsImage, ChecksEveryHostileFileBeforeReadingPastItsEnd)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool valid;
    };
    std::vector<uint8_t> wrongSum = Image(200);
    wrongSum[100] ^= 1;
    std::vector<uint8_t> lengthChanged = Image(200);
    lengthChanged[3] = 199; // the length, not the sum, changes
    std::vector<uint8_t> badMagic = Image(200);
    badMagic[1] = 0xB5;
    std::vector<uint8_t> truncated = Image(200);
    truncated.resize(150);
    std::vector<uint8_t> longer = Image(200);
    longer.resize(5000, 0x55);
    const Case cases[] = {
        {"length 101", Image(101), true},
        {"length 299", Image(299), true},
        {"length 100", Image(100), false},
        {"length 300", Image(300), false},
        {"sum", wrongSum, false},
        {"length byte", lengthChanged, false},
        {"magic", badMagic, false},
        {"shorter than stated", truncated, false},
        {"three bytes", {0xAD, 0xB4, 0}, false},
        {"empty", {}, false},
        {"trailing bytes", longer, true},
    };
    for (const Case& c : cases) {
        const auto block = setup::SettingsImageBlock(c.file);
        EXPECT_EQ(block.has_value(), c.valid) << c.what;
        if (block) {
            EXPECT_EQ(block->size(), static_cast<size_t>(c.file[2] << 8 | c.file[3])) << c.what;
        }
    }
    EXPECT_EQ(setup::SettingsImageVersion(Image(200, 4, 5, '0', 0)), "450");
    EXPECT_EQ(setup::SettingsImageVersion(Image(200, 4, 62, 'a', 'h')), "462ah");
    EXPECT_EQ(setup::SettingsImageVersion(Image(200, 4, 50, 0, 'x')), "450 x") << "a 0 character is none, not an end";
}

// One simulated motor (firmware 450, serial T500) on an RS-232 chain at address 1.
class MotorOnTheLine : public ::testing::Test, protected HeadlessDetectServices {
protected:
    static constexpr int kBlock = 32468;
    void SetUp() override
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = Serial('T', 500);
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        static int n = 0;
        const std::string line = "setup-motor-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(1, p, true), line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        // A block the motor's factory made: newer class, production dates, RMA data, option words.
        Patch(4, {0, 4});
        Patch(56, {19, 3, 14, 20, 1, 2});
        Patch(74, {1, 0x12, 0x34, 21, 6, 30});
        Patch(162, {0xBE, 0xEF, 0, 7});
    }
    std::vector<uint8_t> SimBlock()
    {
        return rig->WithMotor(0, [](vqxsim::SimMotor& m) {
            return std::vector<uint8_t>(m.Eeprom().begin() + kBlock, m.Eeprom().begin() + kBlock + 200);
        });
    }
    void Patch(int offset, std::vector<uint8_t> bytes)
    {
        rig->WithMotor(0, [&](vqxsim::SimMotor& m) {
            auto& ee = m.Eeprom();
            for (size_t i = 0; i < bytes.size(); ++i)
                ee[kBlock + offset + static_cast<int>(i)] = bytes[i];
            uint8_t sum = 0;
            for (int i = 4; i <= 198; ++i)
                sum = static_cast<uint8_t>(sum + ee[kBlock + i]);
            ee[kBlock + 199] = sum;
            return 0;
        });
    }
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
};

TEST_F(MotorOnTheLine, IdentityReadSerialAndModelWrittenAndImagesLoaded)
{
    // Get Motor Info: a new motor record learns the motor's identity.
    CMotor motor;
    motor.SetPort(port.get());
    setup::ReadMotorIdentity(motor, 1);
    EXPECT_EQ(motor.Address, 1);
    EXPECT_EQ(motor.Version, "450");
    EXPECT_EQ(motor.SerialNumber, Serial('T', 500));
    EXPECT_NEAR(motor.SamplePeriod, 0.24576, 1e-9);
    EXPECT_EQ(motor.VQXFlags, 4);
    EXPECT_EQ(motor.RMANo, 0x1234);

    // The project's record holds other factory data than the motor (a copy from elsewhere): only
    // the serial number and the model may reach the motor.
    const std::vector<uint8_t> before = SimBlock();
    CMotor edited = motor;
    edited.ProdDates[0] = 0;
    edited.NoRMA = 0;
    edited.CommOptions[0] = 0;
    edited.SerialNumber = Serial('Q', 777);
    edited.MotorType = 2;
    ASSERT_EQ(setup::SendIdentityToMotor(edited), std::nullopt);
    const std::vector<uint8_t> after = SimBlock();
    for (size_t i = 0; i < 199; ++i) {
        if ((i >= 44 && i < 48) || (i >= 150 && i < 154))
            continue;
        EXPECT_EQ(after[i], before[i]) << "block byte " << i;
    }
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 44, after.begin() + 48), (std::vector<uint8_t>{'Q', 0, 3, 9}));
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 150, after.begin() + 154), (std::vector<uint8_t>{0, 0, 0, 2}));
    uint8_t sum = 0;
    for (size_t i = 4; i < 199; ++i)
        sum = static_cast<uint8_t>(sum + after[i]);
    EXPECT_EQ(after[199], sum);
    EXPECT_EQ(rig->WithMotor(0, [](vqxsim::SimMotor& m) { return std::vector<uint8_t>(m.Eeprom().begin() + 32256, m.Eeprom().begin() + 32260); }),
              (std::vector<uint8_t>{'Q', 0, 3, 9}));
    CMotor reread;
    reread.SetPort(port.get());
    setup::ReadMotorIdentity(reread, 1);
    EXPECT_EQ(reread.SerialNumber, Serial('Q', 777));
    EXPECT_EQ(reread.MotorType, IsMotorModelIndex(2) ? 2 : 0);

    // An image of this motor with another serial number: asked, declined, nothing written.
    std::vector<uint8_t> file = after;
    file[44] = 'R';
    file[199] = static_cast<uint8_t>(file[199] + 'R' - 'Q');
    questions.AnswerMessageBox(ui::IDNO);
    motor.Name = "Lift";
    EXPECT_EQ(setup::ApplySettingsImage(motor, file, questions), setup::ImageResult::Declined);
    EXPECT_EQ(SimBlock(), after);
    EXPECT_EQ(questions.MessageTexts().back(),
              "Are you sure you want to send the following motor settings to the motor 'Lift'?\n\n     Serial Number: "
              "R777\n     Model: TX23-61\n");
    // Accepted: the block goes to the motor as the file holds it and the record decodes it.
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(setup::ApplySettingsImage(motor, file, questions), setup::ImageResult::Applied);
    EXPECT_EQ(SimBlock(), file);
    EXPECT_EQ(motor.SerialNumber, Serial('R', 777));

    // Refused: an image of another firmware, and one cut short; the motor keeps its block.
    std::vector<uint8_t> other = file;
    other[53] = 62;
    other[199] = static_cast<uint8_t>(other[199] + 12);
    EXPECT_EQ(setup::ApplySettingsImage(motor, other, questions), setup::ImageResult::Refused);
    EXPECT_EQ(questions.MessageTexts().back(), "The file specified is not compatible with this motor.");
    std::vector<uint8_t> cut(file.begin(), file.begin() + 120);
    EXPECT_EQ(setup::ApplySettingsImage(motor, cut, questions), setup::ImageResult::Refused);
    EXPECT_EQ(questions.MessageTexts().back(), setup::kNotASettingsFile);
    EXPECT_EQ(SimBlock(), file);
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

TEST_F(MotorOnTheLine, OlderMotorsTakeOnlyTheirOwnImageAndRefuseIdentityWrites)
{
    Patch(4, {0, 2});
    CMotor motor;
    motor.SetPort(port.get());
    setup::ReadMotorIdentity(motor, 1);
    ASSERT_EQ(motor.VQXFlags, 2);
    EXPECT_EQ(setup::SendIdentityToMotor(motor), "Cannot overwrite factory settings.");

    std::vector<uint8_t> file = SimBlock();
    file[47] = static_cast<uint8_t>(file[47] + 1); // T501: another motor's image
    file[199] = static_cast<uint8_t>(file[199] + 1);
    EXPECT_EQ(setup::ApplySettingsImage(motor, file, questions), setup::ImageResult::Refused);
    EXPECT_EQ(questions.MessageTexts().back(), "The file specified is not the factory settings file for this motor.");
    file[47] = static_cast<uint8_t>(file[47] - 1);
    file[199] = static_cast<uint8_t>(file[199] - 1);
    file[60] = 9; // a production date differs: this motor's own image, as its maker keeps it
    file[199] = static_cast<uint8_t>(file[199] + 9 - SimBlock()[60]);
    EXPECT_EQ(setup::ApplySettingsImage(motor, file, questions), setup::ImageResult::Applied);
    EXPECT_EQ(SimBlock(), file);
}
