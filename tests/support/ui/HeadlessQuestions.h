#pragma once
// The question boxes answered by a test's script.

#include "core/ui/Questions.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// Answers from a script, in order per kind of question; records every question asked. Without a
// scripted answer it answers as a user who closes the box: the Escape answer where there is one
// (OK for an OK box, Cancel where Cancel exists), No for Yes/No, Abort for Abort/Retry/Ignore, the
// right-hand button for custom buttons; Cancel for choices and the IP prompt; Close for the
// download-done box. A scripted answer the box cannot give is noted in ScriptErrors and replaced
// by that default. User-interface thread only.
class CHeadlessQuestions : public IQuestions {
public:
    struct Asked {
        enum Kind { MessageBox, Choice, MotorIP, DownloadDone, InvalidIPMessage };
        explicit Asked(Kind k) : kind(k) {}
        Kind kind;
        MessageBoxRequest message; // MessageBox
        ChoiceRequest choice;      // Choice
        MotorIPRequest motorIP;    // MotorIP
    };

    MessageBoxReply AskMessageBox(const MessageBoxRequest& request) override;
    ChoiceReply AskChoice(const ChoiceRequest& request) override;
    std::optional<std::string> AskMotorIP(const MotorIPRequest& request) override;
    DownloadDoneReply AskDownloadDone() override;
    void ShowHelpTopic(std::string_view topic) override { m_helpTopics.emplace_back(topic); }

    // ---- script ----
    void AnswerMessageBox(int answer, bool checked = false) { m_messageAnswers.push_back({answer, checked}); }
    void AnswerChoice(int value, bool checked = false) { m_choiceAnswers.push_back({value, checked}); }
    // Each text is typed and OK pressed; an invalid one is refused (kInvalidIPMessage recorded) and
    // the next scripted text is tried. nullopt presses Cancel.
    void AnswerMotorIP(std::optional<std::string> text) { m_ipAnswers.push_back(std::move(text)); }
    void AnswerDownloadDone(int answer, bool checked = false) { m_downloadAnswers.push_back({answer, checked}); }

    // ---- what happened ----
    const std::vector<Asked>& AskedQuestions() const { return m_asked; }
    int MessageBoxCount() const;
    // The texts of the message boxes shown, in order.
    std::vector<std::string> MessageTexts() const;
    const std::vector<std::string>& ScriptErrors() const { return m_scriptErrors; }
    // The help pages opened, in order.
    const std::vector<std::string>& HelpTopics() const { return m_helpTopics; }
    // Scripted answers not used yet.
    size_t PendingAnswers() const
    {
        return m_messageAnswers.size() + m_choiceAnswers.size() + m_ipAnswers.size() + m_downloadAnswers.size();
    }
    void SetRecording(bool on) { m_recording = on; }

private:
    void Record(Asked a);

    std::deque<MessageBoxReply> m_messageAnswers;
    std::deque<ChoiceReply> m_choiceAnswers;
    std::deque<std::optional<std::string>> m_ipAnswers;
    std::deque<DownloadDoneReply> m_downloadAnswers;
    std::vector<Asked> m_asked;
    std::vector<std::string> m_scriptErrors;
    std::vector<std::string> m_helpTopics;
    bool m_recording = true;
};

} // namespace ui
