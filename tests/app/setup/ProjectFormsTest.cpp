// The project name page's folders and refusals, the motor IP text, the ports page's Delete, and
// the "Communication Settings" session: Cancel leaves the project as it was, OK takes the copy,
// and the ports open before are open again either way.
#include <gtest/gtest.h>

#include "app/project/Project.h"
#include "app/setup/ProjectForms.h"
#include "core/port/CommPort.h"
#include "tests/common/HeadlessContext.h"

TEST(ProjectForms, NamesFoldersAndAddresses)
{
    EXPECT_EQ(setup::ProjectBaseFolder("/home/u/Projects/Line/Line.spj"), "/home/u/Projects");
    EXPECT_EQ(setup::ProjectLocation("/home/u/Projects", "Cell"), "/home/u/Projects/Cell");
    const std::pair<const char*, bool> names[] = {{"Cell 2", true}, {"", false}, {"a/b", false}, {"..", false},
                                                  {"x\\y", false}, {".", false}, {"..x", true}};
    for (const auto& [name, ok] : names)
        EXPECT_EQ(!setup::ProjectNameProblem(name).has_value(), ok) << name;
    EXPECT_EQ(setup::ProjectNameProblem(""), "You must enter a name for the project!");
    CProject project;
    setup::ApplyProjectName(project, "Cell", "/p/Cell");
    EXPECT_EQ(project.Name, "Cell");
    EXPECT_EQ(project.FileName, "/p/Cell/Cell.spj");

    const std::pair<const char*, const char*> ips[] = {
        {"010.0.0.1", "10.0.0.1"}, {"1.2.3.4", "1.2.3.4"}, {"255.255.255.255", "255.255.255.255"},
        {"0001.2.3.4", "1.2.3.4"}, {"256.1.1.1", nullptr}, {"1.2.3", nullptr}, {"1..2.3", nullptr},
        {".1.2.3", nullptr}, {"1.2.3.4.", nullptr}, {"1.2.3.4.5", nullptr}, {"99999999999999999999.1.1.1", nullptr},
        {"1.2.3.4 ", nullptr}, {"", nullptr}};
    for (const auto& [text, canonical] : ips) {
        const auto got = setup::CanonicalIPAddress(text);
        EXPECT_EQ(got.has_value(), canonical != nullptr) << text;
        if (got && canonical) {
            EXPECT_EQ(*got, canonical);
        }
    }
}

TEST(ProjectForms, DeletePortAndCommunicationSessionKeepTheProjectWhole)
{
    HeadlessContext h;
    CProject project;
    project.SetContext(&h.context);
    for (const char* name : {"A", "B"}) {
        auto p = std::make_unique<CCommPort>();
        p->Name = name;
        ASSERT_TRUE(project.AddPort(std::move(p)));
    }
    project.modified = false;
    {
        setup::CCommunicationEdit edit(project);
        EXPECT_FALSE(setup::DeletePortOfProject(edit.Working(), -1, h.questions));
        EXPECT_EQ(h.questions.MessageTexts().back(), "Please select an item from the list!");
        h.questions.AnswerMessageBox(ui::IDNO);
        EXPECT_FALSE(setup::DeletePortOfProject(edit.Working(), 0, h.questions));
        EXPECT_EQ(h.questions.MessageTexts().back(), "Are you sure you want to delete the selected port?");
        h.questions.AnswerMessageBox(ui::IDYES);
        EXPECT_TRUE(setup::DeletePortOfProject(edit.Working(), 0, h.questions));
        EXPECT_FALSE(setup::DeletePortOfProject(edit.Working(), 0, h.questions));
        EXPECT_EQ(h.questions.MessageTexts().back(), "Cannot delete the last channel in a project?");
        EXPECT_EQ(edit.Working().Port(0)->Name, "B");
        EXPECT_EQ(edit.Working().Port(0)->id, 0) << "later ports move up";
        // Cancelled: no Commit.
    }
    EXPECT_EQ(project.PortCount(), 2);
    EXPECT_FALSE(project.modified);
    {
        setup::CCommunicationEdit edit(project);
        edit.Working().Port(1)->Name = "Bus";
        edit.Commit();
    }
    EXPECT_EQ(project.Port(1)->Name, "Bus");
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(&project.Port(1)->Context(), &h.context);
    EXPECT_TRUE(h.questions.ScriptErrors().empty());
}
