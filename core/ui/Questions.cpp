#include "core/ui/Questions.h"

#include "core/shared/SharedFunctions.h"

namespace ui {
namespace {

BoxButton Button(const char* text, int answer) { return BoxButton{true, text, answer}; }

} // namespace

int ClosingAnswer(const BoxLayout& layout, uint32_t style)
{
    if (layout.escapeAnswer)
        return *layout.escapeAnswer;
    if (style & kCustomButtons) {
        for (int i = 2; i >= 0; --i) {
            if (layout.buttons[static_cast<size_t>(i)].visible)
                return layout.buttons[static_cast<size_t>(i)].answer;
        }
        return IDCANCEL; // no button at all: as closing
    }
    switch (style & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
    }
}

// ---- What a style shows ----------------------------------------------------------------------

BoxLayout LayoutOf(uint32_t style, const std::array<std::string, 3>& customTexts)
{
    BoxLayout layout;
    const uint32_t set = style & MB_TYPEMASK;
    const uint32_t icon = style & MB_ICONMASK;
    layout.iconShown = icon == MB_ICONHAND || icon == MB_ICONQUESTION || icon == MB_ICONEXCLAMATION ||
                       icon == MB_ICONASTERISK;
    auto& [left, middle, right] = layout.buttons;
    if (style & kCustomButtons) {
        const int answers[3] = {kLeftButton, kMiddleButton, kRightButton};
        for (size_t i = 0; i < 3; ++i)
            layout.buttons[i] = BoxButton{!customTexts[i].empty(), customTexts[i], answers[i]};
    } else {
        switch (set) {
        case MB_OK:
            middle = Button("Ok", IDOK);
            layout.escapeAnswer = IDOK;
            layout.enterAnswer = IDOK;
            break;
        case MB_OKCANCEL:
            left = Button("Ok", IDOK);
            right = Button("Cancel", IDCANCEL);
            layout.escapeAnswer = IDCANCEL;
            layout.enterAnswer = IDOK;
            break;
        case MB_ABORTRETRYIGNORE:
            left = Button("Abort", IDABORT);
            middle = Button("Retry", IDRETRY);
            right = Button("Ignore", IDIGNORE);
            break;
        case MB_YESNOCANCEL:
            left = Button("Yes", IDYES);
            middle = Button("No", IDNO);
            right = Button("Cancel", IDCANCEL);
            layout.escapeAnswer = IDCANCEL;
            break;
        case MB_YESNO:
            left = Button("Yes", IDYES);
            right = Button("No", IDNO);
            break;
        case MB_RETRYCANCEL:
            left = Button("Retry", IDRETRY);
            right = Button("Cancel", IDCANCEL);
            layout.escapeAnswer = IDCANCEL;
            break;
        default:
            // Not a known button set: shown as an OK box.
            middle = Button("Ok", IDOK);
            layout.escapeAnswer = IDOK;
            layout.enterAnswer = IDOK;
            break;
        }
    }
    // Focus: 0x100 the middle button, 0x200 the right-hand one, else the left-hand one; OK boxes
    // always focus the middle button.
    int focus = (style & MB_DEFBUTTON3) ? 2 : ((style & MB_DEFBUTTON2) ? 1 : 0);
    if (!(style & kCustomButtons) && (set == MB_OK || set > MB_RETRYCANCEL))
        focus = 1;
    if (focus == 1 && !middle.visible && right.visible && left.visible)
        focus = 2; // two-button sets: "second button" is the right-hand one
    if (!layout.buttons[static_cast<size_t>(focus)].visible) {
        for (int i = 0; i < 3; ++i) {
            if (layout.buttons[static_cast<size_t>(i)].visible) {
                focus = i;
                break;
            }
        }
    }
    layout.focus = focus;
    return layout;
}

bool IsPossibleAnswer(const BoxLayout& layout, int answer)
{
    for (const auto& b : layout.buttons) {
        if (b.visible && b.answer == answer)
            return true;
    }
    return (layout.escapeAnswer && *layout.escapeAnswer == answer) ||
           (layout.enterAnswer && *layout.enterAnswer == answer);
}

bool ShouldRemember(uint32_t style, std::string_view key, bool checked, int answer)
{
    return !key.empty() && (style & kRememberAnswer) && checked &&
           !(answer == IDNO && (style & kNeverRememberNo)) && answer > 0;
}

ChoiceLayout ChoiceLayoutOf(const ChoiceRequest& request)
{
    static const int kBase[] = {0, 87, 109, 131, 154, 182};
    ChoiceLayout layout;
    for (int i = 0; i < 5; ++i) {
        if (request.values[static_cast<size_t>(i)] != 0)
            layout.visible.push_back(i);
    }
    layout.initial = layout.visible.empty() ? -1 : layout.visible.front();
    layout.baseUnits = kBase[layout.visible.size()];
    if (request.flags & kChoiceCheckBox)
        layout.baseUnits += 20;
    return layout;
}

int ChoiceWindowHeight(const ChoiceRequest& request, int templateHeight)
{
    return templateHeight * (ChoiceLayoutOf(request).baseUnits + 15) / 200;
}

// ---- The contract functions ------------------------------------------------------------------

int OptionMessageBox(IQuestions& questions, const MessageBoxRequest& request)
{
    const bool remember = !request.key.empty() && (request.style & kRememberAnswer);
    if (remember) {
        const int stored = GetRememberedAnswer(request.key);
        if (stored > 0)
            return stored;
    }
    MessageBoxRequest shown = request;
    if (shown.caption.empty())
        shown.caption = kDefaultCaption;
    const MessageBoxReply reply = questions.AskMessageBox(shown);
    const bool checked = reply.checked && !shown.checkText.empty();
    if (ShouldRemember(shown.style, shown.key, checked, reply.answer))
        SetRememberedAnswer(shown.key, reply.answer);
    return reply.answer;
}

int OptionMessageBox(IQuestions& questions, std::string_view text, uint32_t style, std::string_view caption,
                     std::string_view checkText, std::string_view key)
{
    MessageBoxRequest request;
    request.text = std::string(text);
    request.style = style;
    request.caption = caption.empty() ? std::string(kDefaultCaption) : std::string(caption);
    request.checkText = std::string(checkText);
    request.key = std::string(key);
    return OptionMessageBox(questions, request);
}

int FrameworkMessageBox(IQuestions& questions, std::string_view prompt, uint32_t style)
{
    if (RoutesToOptionBox(style))
        return OptionMessageBox(questions, prompt, style);
    // The platform's standard box: the same seam, without the option box's extras.
    MessageBoxRequest request;
    request.text = std::string(prompt);
    request.style = style & ~(kRememberAnswer | kNeverRememberNo | kCustomButtons);
    return questions.AskMessageBox(request).answer;
}

ChoiceReply ChoiceBox(IQuestions& questions, const ChoiceRequest& request)
{
    const ChoiceLayout layout = ChoiceLayoutOf(request);
    ChoiceReply reply = questions.AskChoice(request);
    if (!(request.flags & kChoiceCheckBox))
        reply.checked = false;
    for (int i : layout.visible) {
        if (request.values[static_cast<size_t>(i)] == reply.value)
            return reply;
    }
    // Cancel (or an answer the box does not have). With Cancel hidden, Cancel acts as OK on the
    // radio checked at the start.
    if ((request.flags & kChoiceNoCancel) && layout.initial >= 0) {
        reply.value = request.values[static_cast<size_t>(layout.initial)];
        return reply;
    }
    reply.value = IDCANCEL;
    return reply;
}

bool MotorIPBox(IQuestions& questions, std::string& address, std::string_view note, bool showLocalAddress)
{
    MotorIPRequest request;
    request.address = address;
    request.note = std::string(note);
    request.showLocalAddress = showLocalAddress;
    const auto entered = questions.AskMotorIP(request);
    if (!entered || !ParseIPAddress(*entered))
        return false;
    address = *entered;
    return true;
}

void ShowChangeIPHelp(IQuestions& questions) { questions.ShowHelpTopic(kChangeIPHelpTopic); }

int DownloadDoneBox(IQuestions& questions)
{
    const int stored = GetRememberedAnswer("EndDownload");
    if (stored > 0)
        return stored;
    const DownloadDoneReply reply = questions.AskDownloadDone();
    if (reply.answer == IDOK && reply.checked)
        SetRememberedAnswer("EndDownload", 1);
    return reply.answer;
}

// ---- CUnattendedQuestions --------------------------------------------------------------------

MessageBoxReply CUnattendedQuestions::AskMessageBox(const MessageBoxRequest& request)
{
    return {ClosingAnswer(LayoutOf(request.style, request.buttonTexts), request.style), false};
}

} // namespace ui
