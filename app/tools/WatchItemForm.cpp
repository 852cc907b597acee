#include "app/tools/WatchItemForm.h"

#include "app/tools/CommandText.h"

#include <cctype>
#include <utility>

namespace tools {

namespace {

WatchEntry Whole(std::string caption, std::string command, uint32_t row, int32_t min, int32_t max)
{
    WatchEntry e;
    e.caption = std::move(caption);
    e.command = std::move(command);
    e.watchInfo = CWatchItem::kWholeValue | row;
    e.min = min;
    e.max = max;
    return e;
}

std::vector<WatchEntry> StatusBits(const std::vector<const char*>& captions)
{
    std::vector<WatchEntry> list;
    for (uint32_t n = 0; n < captions.size(); ++n) {
        WatchEntry e;
        e.caption = captions[n];
        e.command = "RW";
        e.watchInfo = n * 0x01010001u;
        e.min = 0;
        e.max = 1;
        e.text0 = "Zero Icon";
        e.text1 = "One Icon";
        if (n == 7)
            e.turnOn = "OFF";
        if (n == 13)
            e.turnOff = "Zs";
        list.push_back(e);
    }
    return list;
}

std::vector<const char*> OlderStatusCaptions()
{
    return {"Trajectory In Progress(Bt)",        "Right (+) Limit Occurred(Br)",
            "Left (-) Limit Occurred(Bl)",       "Index Report Available(Bi)",
            "Wraparound Occurred(Bw)",           "Excessive Position Error(Be)",
            "Overheat Occurred",                 "Motor Off(Bo)",
            "Hardware Index Input Asserted(Bx)", "Right Limit (+) Asserted(Bp)",
            "Left Limit (-) Asserted(Bm)",       "Math Overflow Occurred(Bd)",
            "Array Index Error Occurred(Bu)",    "Syntax Error Occurred(Bs)",
            "Over Current Occurred(Ba)",         "User Program Checksum Error(Bk)"};
}

std::vector<const char*> Status46Captions()
{
    auto c = OlderStatusCaptions();
    c[6] = "Overheat Occurred(Bh)";
    return c;
}

std::vector<const char*> Status5Captions()
{
    auto c = Status46Captions();
    c[8] = "Input 0 Asserted(I0)";
    c[11] = "Physical Brake Engaged(BP)";
    c[12] = "Torque Brake Engaged(BT)";
    c[14] = "At Slew Velocity(Bv)";
    c[15] = "Drive Enable Input 7 Asserted(I7)";
    return c;
}

WatchEntry Input(const char* caption, const char* command, uint32_t row, const char* on = "", const char* off = "")
{
    WatchEntry e;
    e.caption = caption;
    e.command = command;
    e.watchInfo = row; // bit 0 of the reply
    e.min = 0;
    e.max = 1;
    e.text0 = "Black LED";
    e.text1 = "Green LED";
    e.turnOn = on;
    e.turnOff = off;
    return e;
}

bool Blank(const std::string& s)
{
    for (char c : s)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

} // namespace

const std::vector<WatchEntry>& PredefinedEntries(int kind, MotorFamily family)
{
    static const std::vector<WatchEntry> standard = {
        Whole("Position", "RP", 0, -100000, 100000),    Whole("Pos. Error", "RPE", 1, -1000, 1000),
        Whole("Velocity", "RV", 2, -100000, 100000),    Whole("Acceleration", "RA", 3, 0, 1000),
        Whole("Allowable Error", "RE", 4, 0, 1000),     Whole("Mode", "RMODE", 5, 0, 0),
    };
    static const std::vector<WatchEntry> statusOld = StatusBits(OlderStatusCaptions());
    static const std::vector<WatchEntry> status46 = StatusBits(Status46Captions());
    static const std::vector<WatchEntry> status5 = StatusBits(Status5Captions());
    static const std::vector<WatchEntry> inputsOld = {
        Input("DI A", "z=UAI Rz", 0), Input("DI B", "z=UBI Rz", 1), Input("DI C", "z=UCI Rz", 2),
        Input("DI D", "z=UDI Rz", 3), Input("DI E", "z=UEI Rz", 4), Input("DI F", "z=UFI Rz", 5),
        Input("DI G", "z=UGI Rz", 6),
    };
    static const std::vector<WatchEntry> io5 = {
        Input("Input 0", "RI0", 0), Input("Input 1", "RI1", 1), Input("Input 2", "RI2", 2),
        Input("Input 3", "RI3", 3), Input("Input 4", "RI4", 4), Input("Input 5", "RI5", 5),
        Input("Input 7", "RI7", 6), Input("Output 0", "RO0", 7, "O0=1", "O0=0"),
        Input("Output 1", "RO1", 8, "O1=1", "O1=0"), Input("Output 2", "RO2", 9, "O2=1", "O2=0"),
    };
    static const std::vector<WatchEntry> none;
    switch (kind) {
    case CWatchItem::kStandard:
        return standard;
    case CWatchItem::kStatusBit:
        return family.version5 ? status5 : family.version46Plus ? status46 : statusOld;
    case CWatchItem::kDigitalIO:
        return family.version5 ? io5 : inputsOld;
    default:
        return none;
    }
}

const std::vector<std::string>& TextChoices()
{
    static const std::vector<std::string> choices = [] {
        std::vector<std::string> c = {"On", "Off", "Disable", "Enable", "Active", "Inactive", "Set", "Reset"};
        for (int i = 0; i < CWatchItem::kLedCount; ++i)
            c.push_back(CWatchItem::LedName(i));
        return c;
    }();
    return choices;
}

std::optional<uint32_t> ParseBits(const std::string& text)
{
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    auto number = [&]() -> std::optional<int> {
        skipBlanks();
        const size_t start = i;
        int v = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - start < 3)
            v = v * 10 + (text[i++] - '0');
        if (i == start || v > 31)
            return std::nullopt;
        skipBlanks();
        return v;
    };
    const auto first = number();
    if (!first)
        return std::nullopt;
    int last = *first;
    if (i < text.size() && text[i] == '-') {
        ++i;
        const auto second = number();
        if (!second)
            return std::nullopt;
        last = *second;
    }
    if (i != text.size())
        return std::nullopt;
    if (*first >= last)
        last = *first;
    return (static_cast<uint32_t>(last) << 24) | (static_cast<uint32_t>(*first) << 16);
}

std::string BitsText(uint32_t watchInfo)
{
    const int first = static_cast<int>((watchInfo >> 16) & 0xFF);
    const int last = static_cast<int>((watchInfo >> 24) & 0xFF);
    if (first == last)
        return std::to_string(first);
    return std::to_string(first) + "-" + std::to_string(last);
}

CWatchItemForm::CWatchItemForm(CWatchItem& item, bool allowMotorChange, bool chart, int32_t minimum_, int32_t maximum_)
    : minimum(minimum_), maximum(maximum_), m_item(&item), m_allowMotorChange(allowMotorChange), m_chart(chart),
      m_addMode(item.SlotIndex < 0)
{
}

std::string CWatchItemForm::Title() const
{
    if (m_addMode)
        return m_chart ? "Add new Chart Item" : "Add new Monitor Item";
    return m_chart ? "Chart Item Properties" : "Monitor Item Properties";
}

std::string CWatchItemForm::HelpTopic() const
{
    if (m_addMode)
        return m_chart ? watchdlg::kHelpNewChartItem : watchdlg::kHelpNewMonitorItem;
    return m_chart ? watchdlg::kHelpChartItemProperties : watchdlg::kHelpMonitorItemProperties;
}

int PlaceBesideParent(const ScreenRect& parent, int width, const ScreenRect& screen)
{
    constexpr int kGap = 10, kSpare = 20;
    const int roomRight = screen.right - parent.right;
    const int roomLeft = parent.left - screen.left;
    if (width < roomRight - kSpare)
        return parent.right + kGap;
    if (width < roomLeft - kSpare)
        return parent.left - kGap - width;
    if (roomRight > roomLeft)
        return screen.right - kGap - width;
    return screen.left + kGap;
}

const std::vector<WatchEntry>& CWatchItemForm::Entries() const
{
    return PredefinedEntries(m_kind, m_target.family);
}

void CWatchItemForm::Start(const WatchTarget& target)
{
    for (bool& e : m_edited)
        e = !m_addMode;
    m_target = target;
    m_enables.motorButton = m_allowMotorChange;
    bits = '0';
    const int kind = m_item->WatchType;
    m_kind = (kind == CWatchItem::kStandard || kind == CWatchItem::kStatusBit || kind == CWatchItem::kDigitalIO ||
              kind == CWatchItem::kCustom)
                 ? kind
                 : CWatchItem::kStandard;
    FillList();
    LoadFromItem();
    UpdateFields();
}

void CWatchItemForm::LoadFromItem()
{
    const CWatchItem& item = *m_item;
    if (m_kind != CWatchItem::kCustom) {
        const int row = item.ListRow();
        m_row = row < static_cast<int>(Entries().size()) ? row : (Entries().empty() ? -1 : 0);
    }
    bitMask = item.IsBitRange();
    if (bitMask)
        bits = BitsText(item.WatchInfo);
    pollCommand = item.Command;
    caption = item.Caption;
    text0 = item.Text0;
    text1 = item.Text1;
    textNA = item.TextNA;
    turnOn = item.TurnOn;
    turnOff = item.TurnOff;
}

void CWatchItemForm::FillList()
{
    m_row = Entries().empty() ? -1 : 0;
}

void CWatchItemForm::SetKind(int kind)
{
    m_kind = kind;
    m_enables.list = kind != CWatchItem::kCustom;
    FillList();
    if (kind == CWatchItem::kCustom) {
        if (!m_edited[Caption])
            caption.clear();
        bitMask = m_item->IsBitRange();
        pollCommand = m_item->Command;
        bits = bitMask ? BitsText(m_item->WatchInfo) : "0";
    }
    UpdateFields();
}

void CWatchItemForm::SelectRow(int row)
{
    m_row = row >= 0 && row < static_cast<int>(Entries().size()) ? row : -1;
    UpdateFields();
}

void CWatchItemForm::SetBitMask(bool on)
{
    bitMask = on;
    UpdateFields();
}

void CWatchItemForm::SetBits(const std::string& text)
{
    bits = text;
    UpdateFields();
}

void CWatchItemForm::ChooseMotor(const WatchTarget& target)
{
    const bool familyChanged = target.family.version5 != m_target.family.version5 ||
                               target.family.version46Plus != m_target.family.version46Plus;
    const int row = m_row;
    m_target = target;
    if (familyChanged && m_kind == CWatchItem::kDigitalIO) {
        FillList();
    } else if (familyChanged && m_kind == CWatchItem::kStatusBit) {
        FillList();
        SelectRow(row);
        return;
    }
    UpdateFields();
}

void CWatchItemForm::UpdateFields()
{
    if (m_updating)
        return;
    m_updating = true;
    Enables& en = m_enables;
    en.list = m_kind != CWatchItem::kCustom;
    en.scale = false;
    if (m_kind != CWatchItem::kCustom && m_row >= 0) {
        const WatchEntry& e = Entries()[static_cast<size_t>(m_row)];
        pollCommand = e.command;
        if (!m_edited[Caption])
            caption = m_target.present ? m_target.name + " " + e.caption : e.caption;
        if (!m_edited[Minimum])
            minimum = e.min;
        if (!m_edited[Maximum])
            maximum = e.max;
        if (!m_edited[Text0])
            text0 = e.text0;
        if (!m_edited[Text1])
            text1 = e.text1;
        if (!m_edited[TextNA])
            textNA = "N/A";
        if (!m_edited[TurnOn])
            turnOn = e.turnOn;
        if (!m_edited[TurnOff])
            turnOff = e.turnOff;
        bitMask = e.watchInfo < CWatchItem::kWholeValue;
        bits = bitMask ? BitsText(e.watchInfo) : "0";
        const bool oneBit = bitMask && ((e.watchInfo >> 16) & 0xFF) == ((e.watchInfo >> 24) & 0xFF);
        en.texts = oneBit && !m_chart;
        en.pollCommand = en.bitMask = en.bits = false;
        en.scale = m_kind == CWatchItem::kStandard;
    } else if (m_kind == CWatchItem::kCustom) {
        en.pollCommand = true;
        en.bitMask = !m_chart;
        if (bitMask && !m_chart) {
            const auto info = ParseBits(bits);
            en.texts = info && ((*info >> 16) & 0xFF) == ((*info >> 24) & 0xFF);
            en.bits = true;
        } else {
            en.bits = en.texts = false;
        }
        en.scale = true; // a custom chart item needs a scale of its own
    } else {
        en.pollCommand = en.bitMask = en.bits = en.texts = false;
    }
    m_updating = false;
}

std::string CWatchItemForm::Ok()
{
    if (Blank(caption))
        return watchdlg::kNoCaption;
    if (m_allowMotorChange && !m_target.present)
        return watchdlg::kNoMotor;
    const bool custom = m_kind == CWatchItem::kCustom;
    if (!custom && m_row < 0)
        return watchdlg::kNoRow;
    uint32_t info = CWatchItem::kWholeValue;
    std::string command;
    if (custom) {
        if (bitMask && !m_chart) {
            const auto parsed = ParseBits(bits);
            if (!parsed)
                return watchdlg::kBadBits;
            info = *parsed;
        }
        command = pollCommand;
        if (command.empty() || !IsSendableText(command) || command.size() > CWatchItem::kMaxText)
            return command.empty() ? "Please enter a Poll Command." : UnsendableTextMessage("Poll Command");
    } else {
        const WatchEntry& e = Entries()[static_cast<size_t>(m_row)];
        info = e.watchInfo;
        command = e.command;
    }
    if (!IsSendableText(turnOn) || !IsSendableText(turnOff))
        return UnsendableTextMessage("command to send");
    for (const std::string* s : {&caption, &text0, &text1, &textNA, &turnOn, &turnOff})
        if (s->size() > CWatchItem::kMaxText)
            return "The texts of an item may be at most " + std::to_string(CWatchItem::kMaxText) + " characters long.";
    // A chart scale must have a range: the drawing divides by it.
    if (m_chart && minimum >= maximum)
        return watchdlg::kBadScale;

    CWatchItem& item = *m_item;
    if (m_allowMotorChange) {
        item.ChannelIndex = m_target.portIndex;
        item.MotorAddress = m_target.address;
    }
    item.WatchType = static_cast<uint8_t>(m_kind);
    item.WatchInfo = info;
    item.Command = command;
    item.Caption = caption;
    item.Text0 = text0;
    item.Text1 = text1;
    item.TextNA = textNA;
    item.TurnOn = turnOn;
    item.TurnOff = turnOff;
    return {};
}

CWatchItemForm::AddOutcome CWatchItemForm::AfterAdd(CWatchItem* answer)
{
    AddOutcome out;
    if (answer == m_item) {
        out.warning = watchdlg::kDuplicate;
        return out;
    }
    if (!answer) {
        out.close = true;
        return out;
    }
    m_item = answer;
    return out;
}

} // namespace tools

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

namespace tools {

WatchTarget TargetOf(CMotor* motor)
{
    WatchTarget t;
    if (!motor)
        return t;
    t.present = true;
    t.portIndex = motor->GetPort() ? motor->GetPort()->id : 0;
    t.address = motor->Address;
    t.name = motor->Name;
    t.version = motor->Version;
    t.family = {motor->IsVersion5(), motor->IsVersion46Plus()};
    return t;
}

} // namespace tools
