#include "app/tools/WatchItem.h"

#include "app/project/ProgramTag.h"
#include "app/shell/CommError.h"
#include "app/tools/CommandText.h"
#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const kLedNames[CWatchItem::kLedCount] = {
    "Black LED",  "Black Left LED Bar",  "Black Center LED Bar",  "Black Right LED Bar",
    "Green LED",  "Green Left LED Bar",  "Green Center LED Bar",  "Green Right LED Bar",
    "Red LED",    "Red Left LED Bar",    "Red Center LED Bar",    "Red Right LED Bar",
    "Yellow LED", "Yellow Left LED Bar", "Yellow Center LED Bar", "Yellow Right LED Bar",
    "Blue LED",   "Blue Left LED Bar",   "Blue Center LED Bar",   "Blue Right LED Bar",
    "Gray Box",   "Zero Icon",           "One Icon",
};

struct ModeEntry {
    char letter;
    const char* name;
};
const ModeEntry kModes[] = {
    {'C', "CAM"},      {'E', "ERROR"},    {'F', "FOLLOW"}, {'O', "SERVO OFF"},  {'P', "ABSOLUTE"},
    {'R', "RELATIVE"}, {'S', "STEP"},     {'T', "TORQUE"}, {'X', "RATIO"},      {'V', "VELOCITY"},
    {'A', "DATA"},     {'B', "TORQUE BRK"}, {'D', "DRIVE DISABLED"},
};

// The reply's leading integer as the motor's 32-bit value, 0 when there is none ("12.5" gives 12).
int32_t LeadingInt(const std::string& text)
{
    return static_cast<int32_t>(std::strtoll(text.c_str(), nullptr, 10));
}

std::string MessageOf(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

} // namespace

void CWatchItem::Copy(const CWatchItem& other)
{
    const int slot = SlotIndex;
    *this = other;
    SlotIndex = slot;
}

uint32_t CWatchItem::ExtractBits(int32_t value, uint32_t watchInfo)
{
    const int first = static_cast<int>((watchInfo >> 16) & 0xFF) % 32;
    const int last = static_cast<int>((watchInfo >> 24) & 0xFF) % 32;
    if (last < first)
        return 0;
    const uint64_t mask = ((uint64_t{1} << (last + 1)) - 1) & ~((uint64_t{1} << first) - 1);
    return static_cast<uint32_t>((static_cast<uint32_t>(value) & mask) >> first);
}

void CWatchItem::Serialize(const std::string& group, CTagArchive& ar)
{
    if (!ar.OpenGroup(group))
        return;
    int32_t channel = ChannelIndex;
    int32_t address = MotorAddress;
    ar.SerializeInt("ChannelIndex", channel, 0);
    ar.SerializeInt("MotorAddress", address, 0);
    ChannelIndex = channel;
    MotorAddress = address;
    ar.SerializeByte("WatchType", WatchType, 0);
    ar.SerializeDword("WatchInfo", WatchInfo, 0);
    ar.SerializeString("Command", Command, "");
    ar.SerializeString("Caption", Caption, "");
    ar.SerializeString("Text0", Text0, "");
    ar.SerializeString("Text1", Text1, "");
    ar.SerializeString("TextNA", TextNA, "N/A");
    ar.SerializeString("TurnOn", TurnOn, "");
    ar.SerializeString("TurnOff", TurnOff, "");
    ar.SerializeBool("Enabled", Enabled, true);
    ValueText = TextNA;
    ar.CloseGroup();
}

std::string CWatchItem::Problem() const
{
    if (ChannelIndex < 0 || ChannelIndex > 0xFFFF || MotorAddress < 0 || MotorAddress > 0xFFFF)
        return "port index or motor address out of range";
    for (const std::string* s : {&Caption, &Text0, &Text1, &TextNA})
        if (s->size() > kMaxText)
            return "a text longer than " + std::to_string(kMaxText) + " characters";
    for (const std::string* s : {&Command, &TurnOn, &TurnOff}) {
        if (s->size() > kMaxText)
            return "a command longer than " + std::to_string(kMaxText) + " characters";
        if (!tools::IsSendableText(*s))
            return "a command with characters other than printable ASCII";
    }
    return {};
}

bool CWatchItem::ReadValue(std::string& text, bool scaled, bool hex, const WatchMotorFinder& find)
{
    if (!Enabled)
        return false;
    std::string reply = "N/A";
    CMotor* motor = find ? find(ChannelIndex, MotorAddress) : nullptr;
    // A command a motor must not get is never sent: the item then reads as failed.
    if (motor && !Command.empty() && tools::IsSendableText(Command)) {
        tools::PollTrafficScope traffic(*motor);
        try {
            reply = motor->SendAndReceive(Command);
            if (reply.size() > kMaxText)
                reply.resize(kMaxText);
            // A garbled reply is shown, never its control bytes.
            for (char& c : reply)
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                    c = '?';
        } catch (const CVQXException& e) {
            ui::COperationContext& context = motor->Context();
            if (context.Options().NoPollingOnError) {
                traffic.End();
                Failed = true;
                ValueText = IsBitRange() ? TextNA : "N/A (" + MessageOf(e) + ")";
                if (commerror::IsCommLoss(e.GetCode())) {
                    context.Info().Show(true);
                    context.Info().AddException(e);
                }
                throw;
            }
            reply = "N/A";
        } catch (const std::exception&) {
            reply = "N/A";
        }
    }

    text = reply;
    const bool failedNow = text == "N/A";
    if (failedNow != Failed)
        ValueText = kForceRedraw;
    Failed = failedNow;

    if (IsBitRange()) {
        if (failedNow) {
            text = TextNA;
        } else {
            const uint32_t v = ExtractBits(LeadingInt(text), WatchInfo);
            if (IsOneBit())
                text = v ? Text1 : Text0;
            else
                text = std::to_string(static_cast<int32_t>(v));
        }
    }

    if (!scaled) {
        if (hex)
            FormatStatusHex(text);
    } else {
        bool converted = false;
        if (motor && !failedNow)
            converted = motor->FormatScaledValue(Command, text);
        if (!converted && hex)
            FormatStatusHex(text);
    }

    if (text == ValueText)
        return false;
    ValueText = text;
    return true;
}

void CWatchItem::FormatStatusHex(std::string& text) const
{
    if (Caption == "@STATUS@")
        return;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '-'; }))
        return;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<uint32_t>(LeadingInt(text)));
    text = buf;
}

std::string CWatchItem::Toggle(const WatchMotorFinder& find)
{
    CMotor* motor = find ? find(ChannelIndex, MotorAddress) : nullptr;
    if (!motor || Failed || !motor->GetPort() || !motor->GetPort()->isOpen)
        return {};
    const std::string& command = ToggleCommand();
    if (command.empty())
        return {};
    if (!tools::IsSendableText(command))
        return tools::UnsendableTextMessage("command \"When 0/1 send\"");
    ProgramTag tag(motor->GetPort());
    try {
        motor->SendCommand(command);
    } catch (const CVQXException& e) {
        return MessageOf(e);
    }
    return {};
}

WatchRowState CWatchItem::UpdateListRow(bool marked)
{
    WatchRowState row;
    row.stateImage = !Enabled ? kImageDisabled : Failed ? kImageFailed : kImageRead;
    if (marked)
        row.stateImage = kImageMarked;
    const int led = LedIndex(ValueText);
    const bool mode = Command == "RMODE";
    if (led >= 0 && !mode) {
        row.iconImage = led + kFirstLedImage;
        return row;
    }
    if (mode)
        if (const char* name = ModeName(ValueText))
            ValueText = name;
    row.text = ValueText;
    return row;
}

int CWatchItem::LedIndex(std::string_view text)
{
    for (int i = 0; i < kLedCount; ++i) {
        const std::string_view name = kLedNames[i];
        if (name.size() == text.size() &&
            std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

const char* CWatchItem::LedName(int index)
{
    return index >= 0 && index < kLedCount ? kLedNames[index] : nullptr;
}

const char* CWatchItem::ModeName(std::string_view letter)
{
    if (letter.size() != 1)
        return nullptr;
    for (const ModeEntry& m : kModes)
        if (m.letter == letter[0])
            return m.name;
    return nullptr;
}
