// The main frame's close sequence: order of the steps, and the refusals that leave "LastWSP" and
// the project untouched.

#include "app/shell/CloseSequence.h"
#include "core/ui/Questions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Participant : shell::ICloseParticipant {
    bool hook = true, docs = true, tools = true, isDefault = false, modified = true, visible = true,
         saveWorkspace = false, saveWorks = true;
    int answer = ui::IDYES;
    std::optional<std::string> lastWsp;
    std::vector<std::string> log;

    bool CloseHookAllows() override { log.push_back("hook"); return hook; }
    bool SaveModifiedDocuments() override { log.push_back("docs"); return docs; }
    bool ToolWindowsCanClose() override { log.push_back("tools?"); return tools; }
    bool ProjectIsDefault() override { return isDefault; }
    bool ProjectModified() override { return modified; }
    std::string ProjectPath() override { return "/p/Line1.spj"; }
    bool FrameVisible() override { return visible; }
    bool SaveWorkspaceSetting() override { return saveWorkspace; }
    void WriteLastWorkspace(const std::string& path) override { lastWsp = path; log.push_back("lastwsp"); }
    bool SaveProject() override { log.push_back("save"); return saveWorks; }
    int AskSaveProject() override { log.push_back("ask"); return answer; }
    void CloseTunerAndPlayground() override { log.push_back("tuner+playground"); }
    void ClosePorts() override { log.push_back("ports"); }
    void CloseToolWindows() override { log.push_back("toolwindows"); }
    void SaveWindowPos() override { log.push_back("windowpos"); }
    void StopPollTimer() override { log.push_back("timer"); }
    void DestroyFindDialog() override { log.push_back("find"); }
    void CloseDocumentsAndDestroy() override { log.push_back("destroy"); }
};

const std::vector<std::string> kTail{"tuner+playground", "ports", "toolwindows", "windowpos", "timer", "find", "destroy"};

std::vector<std::string> With(std::vector<std::string> head)
{
    head.insert(head.end(), kTail.begin(), kTail.end());
    return head;
}

} // namespace

TEST(CloseSequence, RefusalsStopBeforeLastWspAndTheProject)
{
    struct Row {
        const char* what;
        void (*set)(Participant&);
        std::vector<std::string> log;
    } rows[] = {
        {"close hook", [](Participant& p) { p.hook = false; }, {"hook"}},
        {"documents", [](Participant& p) { p.docs = false; }, {"hook", "docs"}},
        {"a motor view's Cancel", [](Participant& p) { p.tools = false; }, {"hook", "docs", "tools?"}},
        {"Cancel of the save question", [](Participant& p) { p.answer = ui::IDCANCEL; },
         {"hook", "docs", "tools?", "lastwsp", "ask"}},
        {"a failed save", [](Participant& p) { p.saveWorks = false; },
         {"hook", "docs", "tools?", "lastwsp", "ask", "save"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Participant p;
        r.set(p);
        EXPECT_FALSE(shell::RunCloseSequence(p));
        EXPECT_EQ(p.log, r.log);
        if (std::find(r.log.begin(), r.log.end(), "lastwsp") == r.log.end()) {
            EXPECT_FALSE(p.lastWsp.has_value());
        }
    }
}

TEST(CloseSequence, LastWspAndSaveRules)
{
    struct Row {
        const char* what;
        bool isDefault, visible, saveWorkspace, modified;
        int answer;
        std::optional<std::string> lastWsp;
        std::vector<std::string> log;
    } rows[] = {
        {"project, answered Yes", false, true, false, true, ui::IDYES, "/p/Line1.spj",
         With({"hook", "docs", "tools?", "lastwsp", "ask", "save"})},
        {"project, answered No", false, true, false, true, ui::IDNO, "/p/Line1.spj",
         With({"hook", "docs", "tools?", "lastwsp", "ask"})},
        {"project unmodified: no question", false, true, false, false, ui::IDYES, "/p/Line1.spj",
         With({"hook", "docs", "tools?", "lastwsp"})},
        {"SaveWorkspace saves without asking", false, true, true, true, ui::IDNO, "/p/Line1.spj",
         With({"hook", "docs", "tools?", "lastwsp", "save"})},
        {"default project, frame visible: LastWSP emptied", true, true, false, true, ui::IDYES, "",
         With({"hook", "docs", "tools?", "lastwsp"})},
        {"default project, frame hidden (play mode): LastWSP kept", true, false, false, true, ui::IDYES,
         std::nullopt, With({"hook", "docs", "tools?"})},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Participant p;
        p.isDefault = r.isDefault;
        p.visible = r.visible;
        p.saveWorkspace = r.saveWorkspace;
        p.modified = r.modified;
        p.answer = r.answer;
        EXPECT_TRUE(shell::RunCloseSequence(p));
        EXPECT_EQ(p.lastWsp, r.lastWsp);
        EXPECT_EQ(p.log, r.log);
    }
}
