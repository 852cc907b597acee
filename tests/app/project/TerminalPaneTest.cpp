// The terminal pane's rules: splitting and joining, report commands, the target by address,
// reading after a command on the injected clock, raw commands, vanished ports and bad input.
#include <gtest/gtest.h>

#include "app/project/TerminalPane.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "tests/core/port/FakePort.h"

#include <utility>
#include <vector>

namespace {

struct RecordingHost final : ITerminalHost {
    std::vector<std::pair<int, int>> entries;
    std::vector<std::pair<uint32_t, commerror::Target>> requests;
    std::vector<int32_t> infoCodes;
    int infoShown = 0;
    int pollingOff = 0, pollingOn = 0;
    void SelectTargetEntry(int portIndex, int entry) override { entries.emplace_back(portIndex, entry); }
    void ShowInfo(bool) override { ++infoShown; }
    void AddInfoException(const CVQXException& e) override { infoCodes.push_back(e.GetCode()); }
    uint32_t OnCommError(uint32_t request, commerror::Target target) override
    {
        requests.emplace_back(request, target);
        return commerror::kGaveUp;
    }
    void SetPollingAllowed(bool allowed) override { ++(allowed ? pollingOn : pollingOff); }
};

class TerminalPaneTest : public FakePortTest {
protected:
    void SetUp() override
    {
        FakePortTest::SetUp();
        port->Name = "Com3";
        port->CommType = COMM_RS232;
        context.Options().ResponseTimeout = 60;
        port->CalcTimeouts(port->MaxMotors);
        // Addresses 3 and 5 at list indexes 0 and 1: the target is found by address.
        EnterDetectedMotor(*port, 3);
        EnterDetectedMotor(*port, 5);
        Open();
        pane.port = port.get();
        pane.Attach(&text, &host);
        context.Options().ShowTyping = true;
    }

    // The spans of the transcript as (format, text).
    std::vector<std::pair<TermFormat, std::string>> Spans() const
    {
        std::vector<std::pair<TermFormat, std::string>> out;
        for (const auto& s : text.Spans())
            out.emplace_back(s.format, s.text);
        return out;
    }

    CTerminalPane pane{2};
    CTerminalTranscript text;
    RecordingHost host;
};

using TF = TermFormat;

} // namespace

TEST(TerminalRules, ReportCommandsSplittingPaddingAndReceivedBytes)
{
    for (const char* yes : {"RP", "2RP", "RSP", "RCS1", "Ra", "Rbb", "Rccc", "Rab[1]", "Raw[12]", "Ral[123]", "Raa",
                            "Raaa", "120RBe", "RCHN0"})
        EXPECT_TRUE(CTerminalPane::IsReportCommand(yes)) << yes;
    for (const char* no : {"", "R", "G", "1G", "Rab", "Rab[]", "Rab[1234]", "Rabc", "Rxyz", "RPA", "Raaaa", "Rab[x]",
                           "Rab[1]x", "rp", "RP ", "Rbw[1]"})
        EXPECT_FALSE(CTerminalPane::IsReportCommand(no)) << no;

    using V = std::vector<std::string>;
    EXPECT_EQ(CTerminalPane::SplitCommands("MV A 100 V 2000"), (V{"MV", "A 100", "V 2000"}));
    EXPECT_EQ(CTerminalPane::SplitCommands("  PT 1.5 G  "), (V{"PT 1.5", "G"}));
    EXPECT_EQ(CTerminalPane::SplitCommands("V -2000"), (V{"V", "-2000"}));
    EXPECT_EQ(CTerminalPane::SplitCommands("2 RSP"), (V{"2", "RSP"}));
    EXPECT_EQ(CTerminalPane::SplitCommands("A   1 2   3 B"), (V{"A 1 2 3", "B"}));
    EXPECT_TRUE(CTerminalPane::SplitCommands("   ").empty());

    EXPECT_EQ(CTerminalPane::PadToColumn15(3), std::string(12, ' '));
    EXPECT_EQ(CTerminalPane::PadToColumn15(15), " ");
    EXPECT_EQ(CTerminalPane::PadToColumn15(40), " ");

    bool raw = false, lastAA = false;
    const uint8_t bytes[] = {'4', '0', 0x0D, 0x85, 0xAA};
    EXPECT_EQ(CTerminalPane::ConvertReceived(bytes, sizeof bytes, raw, lastAA), "40\n  ");
    EXPECT_FALSE(raw);
    const uint8_t cr[] = {0x0D};
    EXPECT_EQ(CTerminalPane::ConvertReceived(cr, 1, raw, lastAA), "\n"); // the pair split over two reads
    EXPECT_TRUE(raw);
}

TEST_F(TerminalPaneTest, TypedLinesRepliesTargetsAndSilentReports)
{
    motors.replies = {{"RP", "4000\r"}, {"RSP", "5000/450\r"}};

    // The line the user types is shown while typing, then sent; the reply follows in its colour.
    pane.ShowTypedLine("5R");
    pane.ShowTypedLine("5RP");
    ClearWire();
    EXPECT_TRUE(pane.SendLine("5RP", false, false));
    EXPECT_EQ(Spans(), (std::vector<std::pair<TF, std::string>>{{TF::Echo, "5RP" + std::string(12, ' ')},
                                                                {TF::Response, "4000\n"}}));
    // First the empty command to the target (All Motors), then the addressed command.
    EXPECT_EQ(Wire(), std::string("\x80 \x85RP ", 6));
    EXPECT_EQ(pane.targetIndex, 1); // motor with address 5, second in the list
    ASSERT_EQ(host.entries.size(), 1u);
    EXPECT_EQ(host.entries[0], std::make_pair(2, 2));
    EXPECT_EQ(host.pollingOff, 1);
    EXPECT_EQ(host.pollingOn, 1);
    // The typed text went to the analyzer with the terminal's tag, and the tag is cleared after.
    bool tagged = false;
    for (const auto& [flags, bytes] : Logged())
        tagged |= (flags & SDA_FROM_TERMINAL) && bytes.find("RP") != std::string::npos;
    EXPECT_TRUE(tagged);
    EXPECT_EQ(Page().tagWord & SDA_FROM_TERMINAL, 0u);

    // Numbers join the command before them; silent commands that are not reports raise nothing.
    text.Clear();
    ClearWire();
    EXPECT_TRUE(pane.SendLine("MV A 100 V 2000", true, false));
    EXPECT_EQ(Wire(), "MV A 100 V 2000 ");
    EXPECT_TRUE(host.requests.empty());

    // An address no motor has leaves the target alone; 0 means All Motors.
    pane.SelectAddress("7RP");
    EXPECT_EQ(pane.targetIndex, 1);
    pane.SelectAddress("3G");
    EXPECT_EQ(pane.targetIndex, 0);
    pane.SelectAddress("0WAKE");
    EXPECT_EQ(pane.targetIndex, -1);

    // A silent report command raises the query for the target motor (address 3), or for the port.
    motors.replies.clear();
    EXPECT_FALSE(pane.SendLine("3RP", true, false));
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].first, commerror::kMotorOperationFailed | 1005u);
    ASSERT_NE(host.requests[0].second.motor, nullptr);
    EXPECT_EQ(host.requests[0].second.motor->Address, 3);
    EXPECT_EQ(host.infoShown, 1);
    EXPECT_FALSE(pane.SendLine("0RV", true, false));
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].first, commerror::kPortOperationFailed | 1005u);
    EXPECT_EQ(host.requests[1].second.port, port.get());

    // Bad input: an address above 120 and a command of 10,000 characters are refused with a clear
    // error, nothing goes on the wire and the target stays.
    ClearWire();
    text.Clear();
    EXPECT_FALSE(pane.SendLine("300RP", true, false));
    EXPECT_EQ(pane.targetIndex, -1);
    EXPECT_FALSE(pane.SendLine(std::string(10000, 'x'), true, false));
    EXPECT_EQ(Wire(), "");
    const std::string shown = text.Text();
    EXPECT_NE(shown.find(CTerminalPane::kCommandTooLong), std::string::npos);
    EXPECT_EQ(text.Spans().back().format, TF::Message);

    // An empty line repeats the text of the caret's line when the caret is above the last line.
    text.Clear();
    text.Append("1RP           4000\nlast", TF::Echo);
    text.SetCaret(3);
    motors.replies = {{"RP", "4001\r"}};
    ClearWire();
    EXPECT_TRUE(pane.SendLine("", false, false));
    EXPECT_EQ(pane.lastCommand, "1RP");
}

TEST_F(TerminalPaneTest, ReadingAfterACommandRawCommandsAndAVanishedPort)
{
    // ReadIncoming(50, 100): data at 30 ms and 110 ms is read (less than 100 ms apart), data at
    // 300 ms is left for the poll step.
    line->PeerWriteAfter(std::chrono::milliseconds(30), "a\r");
    line->PeerWriteAfter(std::chrono::milliseconds(110), "b");
    line->PeerWriteAfter(std::chrono::milliseconds(300), "c");
    pane.ReadIncoming(50, 100);
    EXPECT_EQ(text.Text(), "a\nb");
    clock.Advance(std::chrono::milliseconds(300));
    EXPECT_TRUE(pane.ReadPort());
    EXPECT_EQ(text.Text(), "a\nbc");
    EXPECT_FALSE(pane.ReadPort());

    // Nothing at all: the read gives up after firstWait.
    const auto before = clock.Slept();
    pane.ReadIncoming(50, 100);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(clock.Slept() - before).count(), 60);

    // A received 0xAA 0x0D sends the next command without address handling, once.
    line->PeerWrite(std::string("\xAA\x0D", 2));
    EXPECT_TRUE(pane.ReadPort());
    EXPECT_TRUE(pane.rawNext);
    ClearWire();
    pane.SendCommands("5XYZ", false);
    EXPECT_EQ(Wire(), "5XYZ ");
    EXPECT_FALSE(pane.rawNext);
    ClearWire();
    pane.SendCommands("5G", true); // no motor selected yet: the target (All Motors) first
    EXPECT_EQ(Wire(), std::string("\x80 \x85G ", 5));

    // A port whose device vanished: the next command fails with a clear error and the port is
    // closed, so that the poll steps leave it alone; nothing crashes or hangs.
    line->Unplug();
    text.Clear();
    EXPECT_FALSE(pane.ReadPort());
    EXPECT_FALSE(pane.SendLine("1RP", true, false));
    EXPECT_FALSE(port->isOpen);
    EXPECT_EQ(text.Spans().back().format, TF::Message);
    EXPECT_FALSE(pane.ReadPort());
}

TEST_F(TerminalPaneTest, TextLimitMacroLinesAndTranscriptFiles)
{
    // After 1,000,000 characters the oldest 100,000 go.
    text.Append(std::string(CTerminalPane::kTextLimit - 1, 'x'), TF::Response);
    text.Append("y", TF::Echo);
    pane.ShowText("m");
    EXPECT_EQ(text.Length(), CTerminalPane::kTextLimit - CTerminalPane::kTrimCount + 1);
    EXPECT_EQ(text.Spans().back().text, "m");

    // Macro lines: "*" is skipped, ":" shown after three blanks in the message format.
    text.Clear();
    ClearWire();
    EXPECT_TRUE(pane.ExecuteLine("*hidden", false));
    EXPECT_TRUE(pane.ExecuteLine(":homing", false));
    EXPECT_EQ(Spans(), (std::vector<std::pair<TF, std::string>>{{TF::Message, "   homing\n"}}));
    EXPECT_EQ(Wire(), "");
    EXPECT_TRUE(pane.ExecuteLine("0WAKE", true));
    EXPECT_EQ(Wire(), std::string("\x80 \x80WAKE ", 8));
    EXPECT_EQ(Page().tagWord & (SDA_FROM_PROGRAM | SDA_FROM_TERMINAL), 0u);

    // A transcript saved as RTF opens with the same formats.
    const TerminalStyle style;
    text.Append("\n  No response received!\n", TF::Message);
    text.Append("4000\n", TF::Response);
    CTerminalTranscript back;
    back.FromRtf(text.ToRtf(style), style);
    ASSERT_EQ(back.Spans().size(), text.Spans().size());
    for (size_t i = 0; i < back.Spans().size(); ++i) {
        EXPECT_EQ(back.Spans()[i].text, text.Spans()[i].text);
        EXPECT_EQ(back.Spans()[i].format, text.Spans()[i].format);
    }
}
