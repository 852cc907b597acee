// The select-motor rules: the rows each choice shows, how port, row and address move each other,
// and what OK gives for every kind of choice.
#include "app/project/SelectMotor.h"

#include <gtest/gtest.h>

using namespace selectmotor;

namespace {

std::vector<PortEntry> TwoPorts()
{
    return {{"Chain", true, {{"Motor 1", 1}, {"Motor 2", 2}}}, {"Net", false, {{"Drive 5", 5}}}};
}

std::vector<std::string> Texts(const CSelectMotorForm& f)
{
    std::vector<std::string> out;
    for (const MotorRow& r : f.MotorRows())
        out.push_back(r.text);
    return out;
}

} // namespace

TEST(SelectMotor, RowsSelectionAndAcceptForEveryKindOfChoice)
{
    // Group choices and blind download (the download's flags 5), preselected motor 2 of port 0.
    CSelectMotorForm f(TwoPorts(), MakeSelection(0, 2), kGroupChoices | kBlindDownload);
    EXPECT_EQ(f.Prompt(), kDefaultPrompt);
    EXPECT_EQ(f.MinAddress(), 0);
    EXPECT_TRUE(f.BlindShown());
    EXPECT_EQ(f.PortRows(), (std::vector<std::string>{"All Ports", "Chain", "Net"}));
    EXPECT_EQ(f.PortRow(), 1);
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"Global in port \"Chain\"", "Each Motor in port \"Chain\"",
                                                  "Motor 1", "Motor 2"}));
    EXPECT_EQ(f.MotorRowSelected(), 3);

    // All ports: the "all" row, no global row for a network port, and the motors by port.
    f.SelectPortRow(0);
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"All defined Motors", "Global in port \"Chain\"",
                                                  "Each Motor in port \"Chain\"", "Motor 1", "Motor 2",
                                                  "Each Motor in port \"Net\"", "Drive 5"}));
    EXPECT_EQ(f.MotorRowSelected(), 4) << "the address 2 keeps its motor selected";
    f.SelectMotorRow(0);
    std::string message;
    ASSERT_TRUE(f.Accept(&message));
    EXPECT_EQ(f.Selection(), kAllDefinedMotors);

    // Choosing a row moves the address; typing an address moves the row.
    f.SelectPortRow(2);
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"Each Motor in port \"Net\"", "Drive 5"}));
    f.SelectMotorRow(0);
    EXPECT_EQ(f.Address(), kEachMotorAddress);
    ASSERT_TRUE(f.Accept(&message));
    EXPECT_EQ(f.Selection(), MakeSelection(1, 0xFFFF));
    f.SetAddress(5);
    EXPECT_EQ(f.MotorRowSelected(), 1);

    // An address no motor has: the word is made from the field and the port.
    f.SetAddress(7);
    EXPECT_EQ(f.MotorRowSelected(), -1);
    ASSERT_TRUE(f.Accept(&message));
    EXPECT_EQ(f.Selection(), MakeSelection(1, 7));
    EXPECT_EQ(PortOf(f.Selection()), 1);
    EXPECT_EQ(AddressOf(f.Selection()), 7);

    // Address 0 on one port selects its global row.
    f.SelectPortRow(1);
    f.SetAddress(0);
    EXPECT_EQ(f.MotorRowSelected(), 0);
}

TEST(SelectMotor, RefusalsKeepTheDialogOpen)
{
    struct Case {
        int flags;
        uint32_t start;
        int address;
        bool accepted;
        const char* message;
    };
    const Case cases[] = {
        {0, MakeSelection(0xFFFF, 9), 9, false, kSelectPortText},   // all ports without group choices
        {kListedMotorOnly, MakeSelection(0, 9), 9, false, kNoMotorText},
        {0, MakeSelection(0, 9), 9, true, ""},                      // an address the project does not hold
        {kListedMotorOnly, MakeSelection(0, 1), 1, true, ""},
    };
    for (const Case& c : cases) {
        CSelectMotorForm f(TwoPorts(), c.start, c.flags);
        EXPECT_EQ(f.MinAddress(), 1);
        EXPECT_FALSE(f.BlindShown());
        f.SetAddress(c.address);
        std::string message;
        EXPECT_EQ(f.Accept(&message), c.accepted) << c.flags << " " << c.address;
        EXPECT_EQ(message, c.message);
        if (c.accepted) {
            EXPECT_EQ(AddressOf(f.Selection()), c.address);
        }
    }
    // A port index beyond the project means all ports.
    CSelectMotorForm beyond(TwoPorts(), MakeSelection(7, 1), kGroupChoices);
    EXPECT_EQ(beyond.CurrentPort(), -1);
    EXPECT_EQ(beyond.PortRow(), 0);
}
