#pragma once
// CTerminalPane: the rules of one port's terminal. A typed line is split into commands, each goes
// to the port and the motor's reply is shown under it; text the motors send on their own is picked
// up by polling (ReadPort). A silent report command raises the communication-error query.
// Widget-free: the text goes to an ITerminalText, the surroundings (target combo, information view,
// error query, polling flag) are an ITerminalHost.

#include "app/project/Macro.h"
#include "app/project/TerminalText.h"
#include "app/shell/CommError.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CCommPort;
namespace ui {
class COperationContext;
}
class CMotor;
class CVQXException;

// What the pane needs of the program around it.
class ITerminalHost {
public:
    virtual ~ITerminalHost() = default;
    // The bar's target combo shows entry k (0 "All Motors", k = targetIndex + 1) for this pane.
    virtual void SelectTargetEntry(int portIndex, int entry) { (void)portIndex, (void)entry; }
    // The information view is shown (and cleared) / gets an exception.
    virtual void ShowInfo(bool clear) { (void)clear; }
    virtual void AddInfoException(const CVQXException& e) { (void)e; }
    // The communication-error request to the main frame.
    virtual uint32_t OnCommError(uint32_t request, commerror::Target target)
    {
        (void)request, (void)target;
        return commerror::kGaveUp;
    }
    // The program-wide polling-allowed flag (off while a terminal exchange is in flight).
    virtual void SetPollingAllowed(bool allowed) { (void)allowed; }
    // The analyzer's logging switch and whether macro lines are logged ("IncludeVQX").
    virtual void EnableAnalyzerLogging(bool on) { (void)on; }
};

class CTerminalPane : public IMacroTarget {
public:
    // Limit of a pane's text, and what TrimText removes when it is reached.
    static constexpr size_t kTextLimit = 1000000;
    static constexpr size_t kTrimCount = kTextLimit / 10;
    // One read of received data.
    static constexpr size_t kReadSize = 999;
    static constexpr const char* kCommandTooLong = "The command is longer than 255 characters; it was not sent.";

    CTerminalPane(int portIndex = 0) : portIndex(portIndex) {}

    void Attach(ITerminalText* text, ITerminalHost* host);
    ITerminalText* Text() const { return m_text; }

    // ---- what the user and the program do ----
    bool ExecuteLine(const std::string& line, bool noReply) override;
    bool SendLine(std::string line, bool forceEcho, bool noReply);
    bool SendCommands(std::string_view text, bool noReply);
    bool RepeatLastCommand();
    bool SendSelectedWord(std::string_view selected);
    void ShowTypedLine(std::string_view text);
    void SelectAddress(std::string_view command);
    void ReadIncoming(int firstWait, int quietTime);
    bool ReadPort();
    void ShowError(const std::string& text) override;
    void ShowText(std::string_view text);
    void Clear();
    void TrimText();

    // ---- rules ----
    // Whether a missing reply to the command is an error.
    static bool IsReportCommand(std::string_view command);
    // The commands of a typed line: split at blanks, numeric tokens joined to the command before.
    static std::vector<std::string> SplitCommands(std::string_view text);
    // Received bytes for display: CR becomes LF, bytes of 0x80 and above blanks; the pair 0xAA 0x0D
    // (also across two reads: lastWasAA carries the state) sets rawNext.
    static std::string ConvertReceived(const uint8_t* bytes, size_t n, bool& rawNext, bool& lastWasAA);
    // Blanks that pad an echoed line to column 15 (one for a longer line).
    static std::string PadToColumn15(size_t length);

    // The target motor (none for All Motors or an index outside the list).
    CMotor* TargetMotor() const;
    // The address the target stands for: the target motor's address, 0 for All Motors.
    int TargetAddress() const;

    // ---- fields ----
    std::string lastCommand;
    int32_t typingAnchor = -1;
    bool rawNext = false;
    int portIndex;
    int targetIndex = -1;
    CCommPort* port = nullptr;
    // The operation context of the pane's port (the default one without a port).
    ui::COperationContext& Context() const;

private:
    void Append(std::string_view text, TermFormat f);
    void ShowReceived(const uint8_t* bytes, size_t n);
    // Handles an exception of one command; returns false when the line's result becomes false.
    bool HandleCommandError(const CVQXException& e, const std::string& command, bool restEmpty, const char* partial);
    void SendCommErrorRequest(uint32_t code);

    ITerminalText* m_text = nullptr;
    ITerminalHost* m_host = nullptr;
    ITerminalHost m_noHost;
    bool m_lastWasAA = false;
};
