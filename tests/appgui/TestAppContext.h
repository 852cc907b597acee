#pragma once
// The program's context for a GUI test: the test's own operation context, desktop services that
// answer as the test scripts them (and fail the test when a chooser opens unasked), a compiler of
// its own and the clock in use.

#include "app/shell/gui/AppContext.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "scanner/Scanner.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScriptedDesktop final : public shell::IDesktopServices {
public:
    // The answers of the next choosers, in order; an empty text or list is the user's Cancel.
    std::deque<QString> files;
    std::deque<QStringList> fileLists;
    std::deque<QString> folders;
    std::deque<std::optional<uint32_t>> colors;
    // What each file chooser showed, the colour each colour chooser started on, the addresses
    // opened and the guide's pages shown (file, anchor).
    std::vector<shell::FileChoice> asked;
    std::vector<uint32_t> colorsAsked;
    std::vector<QUrl> opened;
    std::vector<std::pair<std::string, std::string>> helpPages;
    bool openSucceeds = true;
    // The next print dialogs: each sets the printer's choice and answers whether to print.
    std::deque<std::function<bool(QPrinter&, bool hasSelection)>> prints;

    QString ChooseOpenFile(QWidget*, const shell::FileChoice& choice) override { return Next(files, choice); }
    QStringList ChooseOpenFiles(QWidget*, const shell::FileChoice& choice) override
    {
        asked.push_back(choice);
        if (fileLists.empty()) {
            ADD_FAILURE() << "unexpected file chooser: " << choice.title.toStdString();
            return {};
        }
        QStringList answer = fileLists.front();
        fileLists.pop_front();
        return answer;
    }
    QString ChooseSaveFile(QWidget*, const shell::FileChoice& choice) override { return Next(files, choice); }
    QString ChooseFolder(QWidget*, const QString& start) override { return Next(folders, {QString(), start, {}, {}}); }
    std::optional<uint32_t> ChooseColor(QWidget*, uint32_t initial) override
    {
        colorsAsked.push_back(initial);
        if (colors.empty()) {
            ADD_FAILURE() << "unexpected colour chooser";
            return std::nullopt;
        }
        const auto answer = colors.front();
        colors.pop_front();
        return answer;
    }
    bool ChoosePrint(QWidget*, QPrinter& printer, bool hasSelection) override
    {
        if (prints.empty()) {
            ADD_FAILURE() << "unexpected print dialog";
            return false;
        }
        const auto answer = std::move(prints.front());
        prints.pop_front();
        return answer(printer, hasSelection);
    }
    bool OpenUrl(const QUrl& url) override
    {
        opened.push_back(url);
        return openSucceeds;
    }
    bool OpenHelpPage(const QString& file, const QString& anchor) override
    {
        helpPages.emplace_back(file.toStdString(), anchor.toStdString());
        return openSucceeds;
    }

private:
    QString Next(std::deque<QString>& answers, const shell::FileChoice& choice)
    {
        asked.push_back(choice);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected chooser: " << choice.title.toStdString();
            return {};
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct TestAppContext {
    explicit TestAppContext(ui::COperationContext& operation) : context(operation, desktop, scanner, platform::GetClock()) {}
    TestAppContext(const TestAppContext&) = delete;
    TestAppContext& operator=(const TestAppContext&) = delete;

    ScriptedDesktop desktop;
    CScanner scanner;
    shell::CAppContext context;
};
