#include "app/project/TerminalPane.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/ReadAvailable.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// The 46 report commands whose second character is not a lower-case letter.
constexpr const char* kReportCommands[] = {
    "RSP",  "RP",   "RMODE", "RPE", "RV",  "RA",  "RAMPS", "RBa",   "RBb",   "RBc",  "RBd", "RBe",
    "RBf",  "RBh",  "RBi",   "RBk", "RBl", "RBm", "RBo",   "RBp",   "RBr",   "RBs",  "RBt", "RBu",
    "RBw",  "RBx",  "RCHN0", "RCHN1", "RCLK", "RD", "RE",  "RI",    "RKA",   "RKD",  "RKG", "RKI",
    "RKL",  "RKP",  "RKS",   "RS",  "RT",  "RCHN", "RCKS", "RCS",   "RCS1",  "RW",
};

// A motor that keeps talking must not keep the terminal in its read after a command forever:
// what comes after this long is left to the poll steps.
constexpr int64_t kMaxIncomingMs = 3000;
// Reads of one poll step when a pane receives much data.
constexpr int kMaxPollReads = 64;

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string MessageOf(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

bool IsCommErrorCode(int32_t code)
{
    return code == CVQXException::NoEcho || code == CVQXException::InvalidEcho || code == CVQXException::Parity ||
           code == CVQXException::Framing || code == CVQXException::Break;
}

// The port's analyzer page carries a source tag while the scope lasts.
class TagScope {
public:
    TagScope(CCommPort* port, uint32_t tag) : m_port(port), m_tag(tag) { Set(true); }
    ~TagScope() { Set(false); }
    TagScope(const TagScope&) = delete;
    TagScope& operator=(const TagScope&) = delete;

private:
    void Set(bool on)
    {
        if (m_port)
            if (ITrafficLog* log = m_port->Context().TrafficLog())
                log->SetPageFlags(m_port->id, m_tag, on);
    }
    CCommPort* m_port;
    uint32_t m_tag;
};

// No poll step of a tool sends while a terminal command is in flight.
class PollingPause {
public:
    explicit PollingPause(ITerminalHost& host) : m_host(host) { m_host.SetPollingAllowed(false); }
    ~PollingPause() { m_host.SetPollingAllowed(true); }
    PollingPause(const PollingPause&) = delete;
    PollingPause& operator=(const PollingPause&) = delete;

private:
    ITerminalHost& m_host;
};

} // namespace

void CTerminalPane::Attach(ITerminalText* text, ITerminalHost* host)
{
    m_text = text;
    m_host = host;
    rawNext = false;
    m_lastWasAA = false;
}

void CTerminalPane::Append(std::string_view text, TermFormat f)
{
    if (m_text)
        m_text->Append(text, f);
}

// ------------------------------------------------------------------------------------------------
// Rules

bool CTerminalPane::IsReportCommand(std::string_view command)
{
    size_t i = 0;
    while (i < command.size() && std::isdigit(static_cast<unsigned char>(command[i])))
        ++i;
    const std::string_view rest = command.substr(i);
    if (rest.empty() || rest[0] != 'R')
        return false;
    if (rest.size() == 1 || !std::islower(static_cast<unsigned char>(rest[1])))
        return std::any_of(std::begin(kReportCommands), std::end(kReportCommands),
                           [&](const char* c) { return rest == c; });
    const char x = rest[1];
    // Rx, Rxx, Rxxx
    if (rest.size() <= 4 && std::all_of(rest.begin() + 1, rest.end(), [&](char c) { return c == x; }))
        return true;
    // Rab[n], Raw[n], Ral[n] with 1 to 3 characters in the brackets, the first a digit.
    if (x == 'a' && rest.size() >= 6 && rest.size() <= 8 && (rest[2] == 'b' || rest[2] == 'w' || rest[2] == 'l') &&
        rest[3] == '[' && rest.back() == ']' && std::isdigit(static_cast<unsigned char>(rest[4])))
        return rest.substr(4, rest.size() - 5).find_first_of("[]") == std::string_view::npos;
    return false;
}

std::vector<std::string> CTerminalPane::SplitCommands(std::string_view text)
{
    auto nextToken = [](std::string_view& rest) {
        const size_t blank = rest.find(' ');
        std::string_view token = rest.substr(0, blank);
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        return token;
    };
    std::vector<std::string> out;
    std::string_view rest = TrimBlanks(text);
    while (!rest.empty()) {
        std::string command(nextToken(rest));
        while (!rest.empty()) {
            std::string_view peek = rest;
            const std::string_view token = nextToken(peek);
            if (token.find_first_not_of("0123456789.") != std::string_view::npos)
                break;
            command += ' ';
            command += token;
            rest = peek;
        }
        out.push_back(std::move(command));
    }
    return out;
}

std::string CTerminalPane::ConvertReceived(const uint8_t* bytes, size_t n, bool& rawNextOut, bool& lastWasAA)
{
    std::string out(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = bytes[i];
        if (b == 0x0D && lastWasAA)
            rawNextOut = true;
        lastWasAA = b == 0xAA;
        out[i] = b == 0x0D ? '\n' : b >= 0x80 ? ' ' : static_cast<char>(b);
    }
    return out;
}

std::string CTerminalPane::PadToColumn15(size_t length) { return std::string(length < 15 ? 15 - length : 1, ' '); }

CMotor* CTerminalPane::TargetMotor() const
{
    if (!port || targetIndex < 0 || targetIndex >= port->MotorCount())
        return nullptr;
    return port->motors.GetAt(targetIndex);
}

int CTerminalPane::TargetAddress() const
{
    const CMotor* m = TargetMotor();
    return m ? m->Address : 0;
}

// ------------------------------------------------------------------------------------------------
// Sending

bool CTerminalPane::ExecuteLine(const std::string& line, bool noReply)
{
    if (!line.empty() && line[0] == '*')
        return true;
    if (!line.empty() && line[0] == ':') {
        ShowText("   " + line.substr(1) + "\n");
        return true;
    }
    ITrafficLog* log = Context().TrafficLog();
    const bool wasLogging = log && log->IsLogging();
    if (log && !Context().Options().IncludeVQX)
        log->EnableLogging(false);
    bool result;
    {
        TagScope tag(port, SDA_FROM_PROGRAM);
        result = SendLine(line, true, noReply);
    }
    if (log)
        log->EnableLogging(wasLogging);
    return result;
}

bool CTerminalPane::SendLine(std::string line, bool forceEcho, bool noReply)
{
    const bool showTyping = Context().Options().ShowTyping;
    typingAnchor = -1;
    if (line.empty() && m_text) {
        line = m_text->LineBeforeCaret(256);
        if (!line.empty() && showTyping)
            Append(line, TermFormat::Echo);
    }
    lastCommand = line;
    if (!port)
        return false;
    if (!port->isOpen) {
        try {
            port->OpenPort();
        } catch (const CVQXException& e) {
            ShowError(MessageOf(e));
            return false;
        }
    }
    if (!showTyping || forceEcho)
        Append(line, TermFormat::Echo);
    Append(PadToColumn15(line.size()), TermFormat::Echo);
    if (m_text)
        m_text->Refresh();
    return SendCommands(line, noReply);
}

bool CTerminalPane::RepeatLastCommand()
{
    Append(lastCommand, TermFormat::Echo);
    Append(PadToColumn15(lastCommand.size()), TermFormat::Echo);
    if (m_text)
        m_text->Refresh();
    return SendCommands(lastCommand, false);
}

bool CTerminalPane::SendSelectedWord(std::string_view selected)
{
    const std::string word(selected.substr(0, selected.find_first_of(" /")));
    if (word.empty())
        return true;
    lastCommand = word;
    SelectAddress(word);
    Append(word, TermFormat::Echo);
    Append(PadToColumn15(word.size()), TermFormat::Echo);
    if (m_text)
        m_text->Refresh();
    return SendCommands(word, false);
}

bool CTerminalPane::SendCommands(std::string_view text, bool noReply)
{
    ITerminalHost& host = m_host ? *m_host : m_noHost;
    if (!port)
        return false;
    TagScope tag(port, SDA_FROM_TERMINAL);
    bool result = true;
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) {
        Append("\n", TermFormat::Echo);
        PollingPause pause(host);
        try {
            port->WriteCommand("", -1, true);
        } catch (const CVQXException& e) {
            result = HandleCommandError(e, "", true, nullptr);
        }
        return result;
    }
    const std::vector<std::string> commands = SplitCommands(trimmed);
    for (size_t i = 0; i < commands.size(); ++i) {
        const std::string& command = commands[i];
        const bool restEmpty = i + 1 == commands.size();
        if (command.size() > static_cast<size_t>(MAX_COMMAND_TEXT)) {
            ShowError(kCommandTooLong);
            result = false;
            continue;
        }
        PollingPause pause(host);
        char reply[256] = {};
        try {
            if (rawNext) {
                rawNext = false;
                port->WriteCommand(command, -2, true);
                continue;
            }
            if (port->currentAddress < 0)
                port->SelectMotor(TargetAddress());
            SelectAddress(command);
            if (noReply) {
                port->WriteCommand(command, -1, true);
            } else {
                const int n = port->Query(command, reply, sizeof reply);
                std::string shown(reply, static_cast<size_t>(std::clamp(n, 0, 255)));
                for (char& c : shown)
                    if (static_cast<unsigned char>(c) >= 0x80)
                        c = ' ';
                Append(shown, TermFormat::Response);
                Append("\n", TermFormat::Response);
                ReadIncoming(50, 100);
            }
        } catch (const CVQXException& e) {
            if (!HandleCommandError(e, command, restEmpty, reply))
                result = false;
        }
    }
    if (noReply)
        Append("\n", TermFormat::Echo);
    return result;
}

bool CTerminalPane::HandleCommandError(const CVQXException& e, const std::string& command, bool restEmpty,
                                       const char* partial)
{
    ITerminalHost& host = m_host ? *m_host : m_noHost;
    const int32_t code = e.GetCode();
    if (code == CVQXException::NoResponse) {
        if (partial && partial[0]) {
            std::string shown(partial, strnlen(partial, 255));
            for (char& c : shown)
                if (static_cast<unsigned char>(c) >= 0x80)
                    c = ' ';
            Append(shown + "\n", TermFormat::Response);
            return true;
        }
        if (restEmpty)
            Append("\n", TermFormat::Echo);
        if (!IsReportCommand(command))
            return true; // a command that is not a report may stay silent
        host.ShowInfo(true);
        SendCommErrorRequest(static_cast<uint32_t>(code));
        return false;
    }
    ShowError(MessageOf(e));
    if (code == CVQXException::ReadError || code == CVQXException::WriteError || code == CVQXException::IOError)
        port->ClosePort(); // the device is gone: the poll steps leave it alone until it is opened again
    if (IsCommErrorCode(code)) {
        host.ShowInfo(true);
        host.AddInfoException(e);
        SendCommErrorRequest(static_cast<uint32_t>(code));
    }
    return false;
}

void CTerminalPane::SendCommErrorRequest(uint32_t code)
{
    ITerminalHost& host = m_host ? *m_host : m_noHost;
    if (CMotor* motor = TargetMotor())
        host.OnCommError(code | commerror::kMotorOperationFailed, commerror::Target::Motor(motor));
    else
        host.OnCommError(code | commerror::kPortOperationFailed, commerror::Target::Port(port));
    // Detection may have replaced the port's motors: the target is looked up again by index.
    if (!port || targetIndex >= port->MotorCount())
        targetIndex = -1;
}

void CTerminalPane::SelectAddress(std::string_view command)
{
    size_t digits = 0;
    long n = 0;
    while (digits < command.size() && digits < 10 && std::isdigit(static_cast<unsigned char>(command[digits]))) {
        n = n * 10 + (command[digits] - '0');
        ++digits;
    }
    if (digits == 0 || !port)
        return;
    // An address above 127 names no motor (the port refuses the command itself); it is not taken
    // modulo 256, which would aim at another motor.
    if (n > 127)
        return;
    const int previous = targetIndex;
    if (n == 0) {
        targetIndex = -1;
    } else {
        int found = -1;
        for (int i = 0; i < port->MotorCount(); ++i)
            if (port->motors.GetAt(i)->Address == n)
                found = i;
        if (found < 0)
            return;
        targetIndex = found;
    }
    const CMotor* target = TargetMotor();
    if (targetIndex != previous || (target && port->currentAddress != target->Address))
        if (m_host)
            m_host->SelectTargetEntry(portIndex, targetIndex + 1);
}

// ------------------------------------------------------------------------------------------------
// Receiving

void CTerminalPane::ShowReceived(const uint8_t* bytes, size_t n)
{
    const std::string text = ConvertReceived(bytes, n, rawNext, m_lastWasAA);
    TrimText();
    Append(text, TermFormat::Response);
    typingAnchor = -1;
}

void CTerminalPane::ReadIncoming(int firstWait, int quietTime)
{
    if (!port)
        return;
    uint8_t buffer[sizeof(port->pushback) + kReadSize + 1];
    const platform::TimePoint start = platform::Now();
    int elapsed = 0; // signed: data sets it below zero, so that quietTime must pass after it
    for (;;) {
        const int n = ReadAvailable(*port, buffer, kReadSize);
        if (n <= 0) {
            platform::SleepMs(20);
            elapsed += 20;
            if (elapsed > firstWait)
                break;
            continue;
        }
        ShowReceived(buffer, static_cast<size_t>(n));
        if (m_text)
            m_text->Refresh();
        elapsed = firstWait - quietTime;
        if (platform::MillisSince(start) > kMaxIncomingMs)
            break;
    }
}

bool CTerminalPane::ReadPort()
{
    if (!port || !port->isOpen)
        return false;
    uint8_t buffer[sizeof(port->pushback) + kReadSize + 1];
    for (int reads = 0; reads < kMaxPollReads; ++reads) {
        int n = 0;
        try {
            n = ReadAvailable(*port, buffer, kReadSize);
        } catch (const CVQXException& e) {
            if (m_host)
                m_host->AddInfoException(e);
            const int32_t code = e.GetCode();
            // A port whose device or network is gone is closed, so that the poll does not report
            // the same failure at every tick.
            if (code == CVQXException::NetworkComm || code == CVQXException::NetworkError ||
                code == CVQXException::ReadError || code == CVQXException::IOError) {
                port->ClosePort();
                ShowError(MessageOf(e));
            }
            return false;
        }
        if (n <= 0)
            return reads > 0;
        ShowReceived(buffer, static_cast<size_t>(n));
        if (n <= 100)
            return true;
    }
    return true;
}

// ------------------------------------------------------------------------------------------------
// Text

void CTerminalPane::ShowTypedLine(std::string_view text)
{
    if (!m_text)
        return;
    if (typingAnchor < 0) {
        if (text.empty())
            return;
        if (!m_text->LastLineEmpty())
            Append("\n", TermFormat::Echo);
        typingAnchor = static_cast<int32_t>(m_text->Length());
    }
    m_text->ReplaceFrom(static_cast<size_t>(typingAnchor), text, TermFormat::Echo);
}

void CTerminalPane::ShowError(const std::string& text)
{
    TrimText();
    Append("\n  " + text + "\n", TermFormat::Message);
    if (m_text)
        m_text->Refresh();
}

void CTerminalPane::ShowText(std::string_view text)
{
    TrimText();
    Append(text, TermFormat::Message);
    if (m_text)
        m_text->Refresh();
}

void CTerminalPane::TrimText()
{
    if (!m_text || m_text->Length() < kTextLimit)
        return;
    m_text->RemoveFront(kTrimCount);
    if (typingAnchor >= 0)
        typingAnchor = typingAnchor >= static_cast<int32_t>(kTrimCount) ? typingAnchor - static_cast<int32_t>(kTrimCount)
                                                                          : -1;
}

void CTerminalPane::Clear()
{
    if (m_text)
        m_text->Clear();
    typingAnchor = -1;
}

ui::COperationContext& CTerminalPane::Context() const
{
    return port ? port->Context() : ui::COperationContext::Default();
}
