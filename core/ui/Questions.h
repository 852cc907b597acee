#pragma once
// The question seam: every message, warning and question to the user goes
// through OptionMessageBox (the remembered-answer message box), questions with up to five answers
// through a choice box (CChoiceDlg), the end of a download through the download-done box, and the
// Ethernet set-up asks for a motor's IP address through the motor-IP prompt.
//
// The rules that do not depend on a widget live here and are shared by every implementation:
// the remembered answers in the profile section "OptionBoxes" (a value above 0 is the answer, 0 or
// absent means ask), which buttons a style shows and what they answer, what Escape does, which
// framework boxes are routed to the option box, and the choice box's visible answers and height.
// An implementation of IQuestions only shows the box and reports the button pressed and the check
// box: the application shell with widgets, CHeadlessQuestions with a script for tests and for
// programs without a user interface.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// ---- Style word -----------------------------------------------------------------
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_TYPEMASK = 0xF;
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0xF0;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100; // focus on the middle button
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200; // focus on the right-hand button
// The system's own bits.
inline constexpr uint32_t kRememberAnswer = 0x1000000;
inline constexpr uint32_t kNeverRememberNo = 0x2000000;
inline constexpr uint32_t kCustomButtons = 0x4000000;
// Framework message boxes with any of these bits go to the platform's box (DoMessageBox).
inline constexpr uint32_t kPlatformBoxMask = 0xFFF380;

// ---- Answers ---------------------------------------------------------------------------------
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
// Custom buttons answer with their control ids.
inline constexpr int kLeftButton = 1002;
inline constexpr int kMiddleButton = 1110;
inline constexpr int kRightButton = 1111;
// The download-done box: Run and Reset.
inline constexpr int kDownloadDoneRun = 1076;
inline constexpr int kDownloadDoneReset = 1077;

inline constexpr const char* kOptionBoxesSection = "OptionBoxes";
inline constexpr const char* kDefaultCaption = "VQX";
inline constexpr const char* kCheckToDisable = "Check to disable this message";

// ---- Remembered answers ----------------------------------------------------------------------
// "OptionBoxes"\key of the user's profile; 0 when absent (ask).
int GetRememberedAnswer(std::string_view key);
void SetRememberedAnswer(std::string_view key, int answer);
// Writes 0 (ask again), as the options pages do when they reset an answer.
void ForgetRememberedAnswer(std::string_view key);

// ---- What a style shows ----------------------------------------------------------------------
struct BoxButton {
    bool visible = false;
    std::string text;
    int answer = 0;
};
struct BoxLayout {
    std::array<BoxButton, 3> buttons; // left (1002), middle (1110), right (1111)
    int focus = 0;                    // index of the focused button
    std::optional<int> escapeAnswer;  // Escape and the close box; none: they do nothing
    std::optional<int> enterAnswer;   // the dialog's own OK (Enter with no button focused)
    bool iconShown = false;
};
// The buttons, focus, Escape and Enter of a style; custom texts apply with kCustomButtons (an
// empty text hides its button). The focus bit 0x100 of a two-button set (OK/Cancel, Yes/No,
// Retry/Cancel) means the right-hand button, because the middle one is hidden; a focus on a hidden
// button goes to the first visible one.
BoxLayout LayoutOf(uint32_t style, const std::array<std::string, 3>& customTexts = {});
// Whether the answer is one that the box can give (a visible button or the Escape answer).
bool IsPossibleAnswer(const BoxLayout& layout, int answer);
// Whether the answer is stored.
bool ShouldRemember(uint32_t style, std::string_view key, bool checked, int answer);
// Whether a framework message box of this style goes to the option box (no bit of 0xFFF380).
inline bool RoutesToOptionBox(uint32_t style) { return (style & kPlatformBoxMask) == 0; }

// ---- Requests and replies --------------------------------------------------------------------
struct MessageBoxRequest {
    std::string text;
    uint32_t style = MB_OK;
    std::string caption = kDefaultCaption;
    std::string checkText;                  // shown only with kRememberAnswer
    std::string key;                        // "OptionBoxes" value; empty: nothing remembered
    std::array<std::string, 3> buttonTexts; // kCustomButtons only
};
struct MessageBoxReply {
    int answer = IDOK;
    bool checked = false;
};

// CChoiceDlg: an answer whose value is 0 does not exist (hidden).
struct ChoiceRequest {
    std::string text;
    std::array<int, 5> values{};
    std::array<std::string, 5> labels;
    uint32_t flags = 0; // 0x1 Cancel hidden, 0x2 check box shown, 0x4 OK reads "Next"
    int helpId = 0;     // 0: no Help button
    std::string caption; // empty: "VQX"
};
inline constexpr uint32_t kChoiceNoCancel = 0x1;
inline constexpr uint32_t kChoiceCheckBox = 0x2;
inline constexpr uint32_t kChoiceNext = 0x4;
inline constexpr const char* kChoiceCheckText = "Don't display this dialog box again";
struct ChoiceReply {
    int value = IDCANCEL; // the chosen answer's value; IDCANCEL when cancelled
    bool checked = false; // the check box, readable by the caller after the dialog
};
// The choice box's visible answers (indexes 0..4 whose value is not 0), the one checked at the
// start (the first visible, not the first radio, which may be hidden), and the height rule.
struct ChoiceLayout {
    std::vector<int> visible;
    int initial = -1;     // index of the radio checked at the start; -1 when none is visible
    int baseUnits = 0;    // 87, 109, 131, 154, 182 for 1..5 answers (0 for none); +20 with the check box
};
ChoiceLayout ChoiceLayoutOf(const ChoiceRequest& request);
// The window height for a template height H: H x (base + 15) / 200.
int ChoiceWindowHeight(const ChoiceRequest& request, int templateHeight);

// CMotorIPDlg.
struct MotorIPRequest {
    std::string address;          // shown in the motor's field at the start
    std::string note;             // the note text
    bool showLocalAddress = true; // show this computer's address
};
inline constexpr const char* kInvalidIPMessage =
    "Invalid IP Address. Please enter an IP Address in the form of \"xxx.xxx.xxx.xxx\".";

// CDownloadDoneDlg.
struct DownloadDoneReply {
    int answer = IDOK; // kDownloadDoneRun, kDownloadDoneReset or IDOK (Close)
    bool checked = false;
};

// ---- The seam --------------------------------------------------------------------------------
class IQuestions {
public:
    virtual ~IQuestions() = default;
    // Shows the message box and returns the button pressed and the check box. Not called when a
    // remembered answer exists.
    virtual MessageBoxReply AskMessageBox(const MessageBoxRequest& request) = 0;
    virtual ChoiceReply AskChoice(const ChoiceRequest& request) = 0;
    // The entered address (a dotted quad, ParseIPAddress), or none when cancelled. The dialog
    // itself keeps asking while the text is invalid, telling the user kInvalidIPMessage.
    virtual std::optional<std::string> AskMotorIP(const MotorIPRequest& request) = 0;
    virtual DownloadDoneReply AskDownloadDone() = 0;
    // Opens a page of the user guide by its topic; nothing where no help viewer exists (the
    // engine, unattended runs).
    virtual void ShowHelpTopic(std::string_view topic) { (void)topic; }
};

// ---- The contract functions (what the core and the shell call) -------------------------------
// Each asks the question seam it is given (an operation passes its context's, ui/OperationContext.h).

// OptionMessageBox: with a key and kRememberAnswer, a remembered answer above 0 is returned at
// once; otherwise the box is asked and its answer stored under the key when ShouldRemember says
// so. An empty caption gives "VQX".
int OptionMessageBox(IQuestions& questions, std::string_view text, uint32_t style, std::string_view caption = {},
                     std::string_view checkText = {}, std::string_view key = {});
// The full form (custom buttons).
int OptionMessageBox(IQuestions& questions, const MessageBoxRequest& request);
// The application's DoMessageBox for the framework's own boxes: styles with a bit of 0xFFF380
// would go to the platform's box; here both go to the seam, the routed ones as OptionMessageBox
// with caption "VQX" and nothing remembered.
int FrameworkMessageBox(IQuestions& questions, std::string_view prompt, uint32_t style);
// CChoiceDlg. A reply that names no visible answer counts as cancelled (IDCANCEL), except that a
// hidden Cancel makes Cancel act as OK (the first visible answer).
ChoiceReply ChoiceBox(IQuestions& questions, const ChoiceRequest& request);
// CMotorIPDlg: true and the address replaced when the user entered a valid address.
bool MotorIPBox(IQuestions& questions, std::string& address, std::string_view note, bool showLocalAddress = true);
// CDownloadDoneDlg: "OptionBoxes"\"EndDownload" above 0 is returned at once; Close with the check
// box stores 1.
int DownloadDoneBox(IQuestions& questions);
// The guide's page on giving this computer an IP address in a motor's subnet. There is one
// system to describe here, so no system is refused.
inline constexpr const char* kChangeIPHelpTopic = "::/ChangeIP/Linux/changeIPLinux.htm";
void ShowChangeIPHelp(IQuestions& questions);

// ---- Unattended answers ----------------------------------------------------------------------
// The answer of a user who closes the box: the Escape answer where there is one (OK for an OK box,
// Cancel where Cancel exists), No for Yes/No, Abort for Abort/Retry/Ignore, the right-hand button
// for custom buttons.
int ClosingAnswer(const BoxLayout& layout, uint32_t style);

// The question seam of a context nobody attends: every box is answered as a user who closes it
// (ClosingAnswer), choices and the IP prompt with Cancel, the download-done box with Close.
class CUnattendedQuestions : public IQuestions {
public:
    MessageBoxReply AskMessageBox(const MessageBoxRequest& request) override;
    ChoiceReply AskChoice(const ChoiceRequest&) override { return {IDCANCEL, false}; }
    std::optional<std::string> AskMotorIP(const MotorIPRequest&) override { return std::nullopt; }
    DownloadDoneReply AskDownloadDone() override { return {IDOK, false}; }
};

} // namespace ui
