// Save Project As: the files of the old project's folder are copied into the new one and the
// motors point at the copies; a file that already exists there is never overwritten and its
// motor keeps the file it was made for; files of other folders stay where they are; a folder that
// cannot be made leaves the project as it was. And the title of an uploaded program's document.

#include "app/project/MotorPrograms.h"
#include "app/project/ProjectSaveAs.h"
#include "app/project/Project.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/common/HeadlessContext.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
} // namespace

TEST(ProjectSaveAs, CopiesTheFolderFilesAndNeverOverwrites)
{
    TempFolder dir;
    HeadlessContext h;
    const std::string oldFolder = dir / "old";
    const std::string newFolder = dir / "new";
    std::filesystem::create_directories(oldFolder);
    std::filesystem::create_directories(newFolder);
    std::ofstream(oldFolder + "/a.tqs") << "a=1\nEND\n";
    std::ofstream(oldFolder + "/b.tqs") << "b=1\nEND\n";
    std::ofstream(newFolder + "/b.tqs") << "someone else's b\n"; // already there
    std::ofstream(dir / "lib.tqs") << "END\n";

    CProject project;
    project.SetContext(&h.context);
    project.isDefault = false;
    project.Name = "Old";
    project.Path = oldFolder;
    project.FileName = oldFolder + "/Old.spj";
    auto port = std::make_unique<CCommPort>();
    port->Name = port->PortName = "Com1";
    ASSERT_TRUE(project.AddPort(std::move(port)));
    CMotor* m = EnterDetectedMotor(*project.Port(0), 1);
    m->AddAssociatedFile(oldFolder + "/a.tqs");
    m->AddAssociatedFile(oldFolder + "/b.tqs");
    m->AddAssociatedFile(dir / "lib.tqs");

    CProject renamed;
    renamed.SetContext(&h.context);
    renamed.Copy(project);
    renamed.Name = "New";
    renamed.FileName = newFolder + "/New.spj";
    const SaveAsOutcome outcome = SaveProjectAs(project, renamed);
    ASSERT_TRUE(outcome.saved) << outcome.error;
    EXPECT_EQ(project.Name, "New");
    EXPECT_EQ(project.Path, newFolder);
    EXPECT_FALSE(project.isDefault);
    EXPECT_TRUE(std::filesystem::exists(newFolder + "/New.spj"));
    CMotor* now = project.Port(0)->motors.GetAt(0);
    EXPECT_EQ(now->associatedFiles.GetAt(0)->FileName, newFolder + "/a.tqs");
    EXPECT_EQ(Read(newFolder + "/a.tqs"), "a=1\nEND\n");
    // Not over an existing file: the entry keeps the old path and is listed.
    EXPECT_EQ(now->associatedFiles.GetAt(1)->FileName, oldFolder + "/b.tqs");
    EXPECT_EQ(Read(newFolder + "/b.tqs"), "someone else's b\n");
    EXPECT_EQ(now->associatedFiles.GetAt(2)->FileName, dir / "lib.tqs");
    EXPECT_EQ(outcome.notCopied, (std::vector<std::string>{oldFolder + "/b.tqs", dir / "lib.tqs"}));
    EXPECT_EQ(NotCopiedNote(outcome.notCopied),
              "NOTE:\nThe following files were not copied to the new project folder:\n\n" + oldFolder + "/b.tqs\n" +
                  (dir / "lib.tqs") + "\n");

    // A folder that cannot be made (a file is in its way): nothing changes.
    std::ofstream(dir / "blocked") << "x";
    CProject again;
    again.SetContext(&h.context);
    again.Copy(project);
    again.Name = "Blocked";
    again.FileName = (dir / "blocked") + "/Blocked.spj";
    const SaveAsOutcome refused = SaveProjectAs(project, again);
    EXPECT_FALSE(refused.saved);
    EXPECT_EQ(refused.error.rfind("Cannot make project folder.\n", 0), 0u) << refused.error;
    EXPECT_EQ(project.Name, "New");
}

TEST(UploadTitle, FromTheProgramNameOrCounted)
{
    struct {
        const char* name;
        const char* title;
    } rows[] = {
        {"C:\\progs\\Cut.Line.tqx", "Cut"}, {"/home/u/move.tqx", "move"}, {"<END>", "END"},
        {"<PICK>", "PICK"},                   {"plain", "plain"},            {"", "Upload7"},
        {"<>", "Upload8"},                    {".tqx", "Upload9"},
    };
    int counter = 7;
    for (const auto& r : rows)
        EXPECT_EQ(UploadTitle(r.name, counter), r.title) << r.name;
    EXPECT_EQ(counter, 10); // only untitled uploads count
}
