// The select-motor result word: without a chosen row, OK gives a real port and an address of
// 0..120 (1..120 without group choices), or keeps the dialog open with a message.
#include <gtest/gtest.h>

#include "app/project/SelectMotor.h"

using namespace selectmotor;

TEST(SelectMotorResult, TypedAddressesAndPortsAreBounded)
{
    const std::vector<PortEntry> ports = {{"Line", true, {{"A", 1}, {"B", 2}}}, {"Net", false, {{"C", 5}}}};
    struct Case {
        int flags;
        int portRow;  // 0 = All Ports
        int address;
        bool ok;
        uint32_t word;
        const char* message;
    };
    const Case cases[] = {
        {0, 1, 7, true, MakeSelection(0, 7), ""},
        {0, 2, 120, true, MakeSelection(1, 120), ""},
        {0, 1, 121, false, 0, "Please enter a motor address between 1 and 120!"},
        {0, 1, -5, false, 0, "Please enter a motor address between 1 and 120!"},
        {kGroupChoices, 1, 0, true, MakeSelection(0, 0), ""},
        {kGroupChoices, 1, 70000, false, 0, "Please enter a motor address between 0 and 120!"},
        {kGroupChoices, 0, 9, false, 0, kSelectPortText},
        {0, 0, 9, false, 0, kSelectPortText},
        {kListedMotorOnly, 1, 9, false, 0, kNoMotorText},
    };
    for (const Case& c : cases) {
        CSelectMotorForm form(ports, MakeSelection(0, 0), c.flags);
        form.SelectPortRow(c.portRow);
        form.SetAddress(c.address);
        std::string message;
        const bool ok = form.Accept(&message);
        EXPECT_EQ(ok, c.ok) << c.flags << "/" << c.portRow << "/" << c.address;
        if (ok) {
            EXPECT_EQ(form.Selection(), c.word);
        } else {
            EXPECT_EQ(message, c.message);
        }
    }
    // A word with address 0 (a port whose terminal has no target motor) without group choices:
    // the field shows 1 and OK takes what it shows, on a port without motors; on a port with
    // motors the first row is chosen, as with any address 0.
    const std::vector<PortEntry> withUsb = {{"Line", true, {{"A", 1}}}, {"USB", false, {}}};
    for (int flags : {0, static_cast<int>(kListedMotorOnly)}) {
        CSelectMotorForm usb(withUsb, MakeSelection(1, 0), flags);
        EXPECT_EQ(usb.FieldAddress(), 1);
        EXPECT_EQ(usb.MotorRowSelected(), -1);
        std::string said;
        EXPECT_EQ(usb.Accept(&said), flags == 0) << flags;
        EXPECT_EQ(said, flags == 0 ? "" : kNoMotorText);
        if (flags == 0) {
            EXPECT_EQ(usb.Selection(), MakeSelection(1, 1));
        }
    }
    CSelectMotorForm line(withUsb, MakeSelection(0, 0), 0);
    EXPECT_EQ(line.FieldAddress(), 1);
    ASSERT_EQ(line.MotorRowSelected(), 0);
    std::string said;
    ASSERT_TRUE(line.Accept(&said));
    EXPECT_EQ(line.Selection(), MakeSelection(0, 1));
    // With group choices 0 is a choice of its own and shows as it is.
    EXPECT_EQ(CSelectMotorForm(withUsb, MakeSelection(1, 0), kGroupChoices).FieldAddress(), 0);

    // A chosen group row still gives its own word ("All defined Motors").
    CSelectMotorForm all(ports, kAllDefinedMotors, kGroupChoices);
    all.SelectPortRow(0);
    all.SelectMotorRow(0);
    std::string message;
    ASSERT_TRUE(all.Accept(&message));
    EXPECT_EQ(all.Selection(), kAllDefinedMotors);
}
