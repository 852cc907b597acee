#pragma once
// The question seam on the real dialogs: the remembered-answer box, the choice box, the motor-IP
// prompt and the download-done box. Remembering is OptionMessageBox's; these only ask.

#include "core/ui/Questions.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace bridge {

class QtQuestions : public ui::IQuestions {
public:
    explicit QtQuestions(QWidget* parent = nullptr) : m_parent(parent) {}

    ui::MessageBoxReply AskMessageBox(const ui::MessageBoxRequest& request) override;
    ui::ChoiceReply AskChoice(const ui::ChoiceRequest& request) override;
    std::optional<std::string> AskMotorIP(const ui::MotorIPRequest& request) override;
    ui::DownloadDoneReply AskDownloadDone() override;
    void ShowHelpTopic(std::string_view topic) override
    {
        if (m_topic)
            m_topic(std::string(topic));
    }

    void SetParent(QWidget* parent) { m_parent = parent; }
    // What a choice box's Help button opens (a help topic by its id).
    void SetHelpOpener(std::function<void(int helpId)> open) { m_help = std::move(open); }
    // What opens a page of the guide by its topic.
    void SetTopicOpener(std::function<void(const std::string& topic)> open) { m_topic = std::move(open); }

private:
    // The window a box is put over: the active modal dialog (the please-wait dialog), else the
    // parent given.
    QWidget* Owner() const;

    QPointer<QWidget> m_parent;
    std::function<void(int)> m_help;
    std::function<void(const std::string&)> m_topic;
};

} // namespace bridge
