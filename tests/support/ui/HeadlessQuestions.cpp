#include "tests/support/ui/HeadlessQuestions.h"

#include "core/shared/SharedFunctions.h"

namespace ui {

// ---- CHeadlessQuestions ----------------------------------------------------------------------

void CHeadlessQuestions::Record(Asked a)
{
    if (m_recording)
        m_asked.push_back(std::move(a));
}

MessageBoxReply CHeadlessQuestions::AskMessageBox(const MessageBoxRequest& request)
{
    Asked a(Asked::MessageBox);
    a.message = request;
    Record(std::move(a));
    const BoxLayout layout = LayoutOf(request.style, request.buttonTexts);
    const int fallback = ClosingAnswer(layout, request.style);
    if (m_messageAnswers.empty())
        return {fallback, false};
    MessageBoxReply reply = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    if (!IsPossibleAnswer(layout, reply.answer)) {
        m_scriptErrors.push_back("answer " + std::to_string(reply.answer) + " is not possible for \"" + request.text +
                                 "\"");
        return {fallback, false};
    }
    return reply;
}

ChoiceReply CHeadlessQuestions::AskChoice(const ChoiceRequest& request)
{
    Asked a(Asked::Choice);
    a.choice = request;
    Record(std::move(a));
    if (m_choiceAnswers.empty())
        return {IDCANCEL, false};
    ChoiceReply reply = m_choiceAnswers.front();
    m_choiceAnswers.pop_front();
    const ChoiceLayout layout = ChoiceLayoutOf(request);
    bool possible = reply.value == IDCANCEL;
    for (int i : layout.visible)
        possible = possible || request.values[static_cast<size_t>(i)] == reply.value;
    if (!possible) {
        m_scriptErrors.push_back("choice " + std::to_string(reply.value) + " is not offered by \"" + request.text +
                                 "\"");
        return {IDCANCEL, false};
    }
    return reply;
}

std::optional<std::string> CHeadlessQuestions::AskMotorIP(const MotorIPRequest& request)
{
    Asked a(Asked::MotorIP);
    a.motorIP = request;
    Record(std::move(a));
    while (!m_ipAnswers.empty()) {
        std::optional<std::string> text = m_ipAnswers.front();
        m_ipAnswers.pop_front();
        if (!text)
            return std::nullopt;
        if (ParseIPAddress(*text))
            return text;
        // The dialog refuses the text and stays open.
        Asked refused(Asked::InvalidIPMessage);
        refused.message.text = kInvalidIPMessage;
        refused.message.style = MB_OK | MB_ICONHAND;
        Record(std::move(refused));
    }
    return std::nullopt;
}

DownloadDoneReply CHeadlessQuestions::AskDownloadDone()
{
    Record(Asked(Asked::DownloadDone));
    if (m_downloadAnswers.empty())
        return {IDOK, false};
    DownloadDoneReply reply = m_downloadAnswers.front();
    m_downloadAnswers.pop_front();
    if (reply.answer != IDOK && reply.answer != kDownloadDoneRun && reply.answer != kDownloadDoneReset) {
        m_scriptErrors.push_back("answer " + std::to_string(reply.answer) + " is not possible for the download box");
        return {IDOK, false};
    }
    return reply;
}

int CHeadlessQuestions::MessageBoxCount() const
{
    int n = 0;
    for (const auto& a : m_asked)
        n += a.kind == Asked::MessageBox ? 1 : 0;
    return n;
}

std::vector<std::string> CHeadlessQuestions::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& a : m_asked) {
        if (a.kind == Asked::MessageBox)
            texts.push_back(a.message.text);
    }
    return texts;
}

} // namespace ui
