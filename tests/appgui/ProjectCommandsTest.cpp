// The project's commands through the real main frame, headless, against the simulated chain: a new
// project made with its dialog and its motors found, the project's, ports' and motor's property
// dialogs, the active editor document downloaded into a motor, closing the project; a compiled file
// transmitted, programs uploaded, an EEPROM cleared, Find Motors cancelled and failing; and bad
// input (files gone, a port whose device vanished, a firmware version without its language file).

#include "FrameCommandsGui.h"

#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/project/ProjectBuild.h"
#include "app/project/SelectMotor.h"
#include "app/setup/gui/MotorSettingsDlg.h"
#include "platform/serial/SerialProbe.h"
#include "scanner/Scanner.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTreeWidget>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The serial devices the port dialogs see: only the chain's.
struct ChainDevice final : platform::ISerialPortProbe {
    std::vector<std::string> Candidates() override { return {"Com3"}; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        return name == "Com3" ? platform::SerialPresence::Present : platform::SerialPresence::NotFound;
    }
};

class ProjectCommandsGui : public FrameCommandsGui {
protected:
    ProjectCommandsGui() { chainLine = "Com3"; }
    void SetUp() override
    {
        FrameCommandsGui::SetUp();
        session->Commands().serialProbe = &probe;
    }
    // Runs a command whose dialog opens; `act` plays the user in it. The dialog's title is returned.
    QString WithDialog(int id, std::function<void(QDialog*)> act)
    {
        QString title;
        WhenModal([&](QWidget* w) {
            title = w->windowTitle();
            act(static_cast<QDialog*>(w));
            if (w->isVisible()) {
                ADD_FAILURE() << title.toStdString() << " stayed open";
                static_cast<QDialog*>(w)->reject();
            }
        });
        EXPECT_TRUE(Run(id)) << id;
        return title;
    }
    static void Ok(QDialog* dlg) { QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton); }
    // Runs a command that asks for a motor: in "Select Motor" the user picks the motor row whose
    // text starts with `row`, or types `address`, then OK.
    void WithMotorChosen(int id, int address, const char* row = nullptr)
    {
        const QString title = WithDialog(id, [&](QDialog* dlg) {
            if (row) {
                auto* motors = dlg->findChild<QTreeWidget*>(QStringLiteral("1024"));
                ASSERT_NE(motors, nullptr);
                const auto items = motors->findItems(QString::fromLatin1(row), Qt::MatchStartsWith);
                ASSERT_FALSE(items.isEmpty()) << row;
                motors->setCurrentItem(items.front());
            } else {
                auto* spin = dlg->findChild<QSpinBox*>(QStringLiteral("1025"));
                ASSERT_NE(spin, nullptr);
                spin->setValue(address);
            }
            Ok(dlg);
        });
        EXPECT_EQ(title, QStringLiteral("Select Motor"));
    }
    static void SetText(QDialog* dlg, const char* id, const char* text)
    {
        auto* edit = dlg->findChild<QLineEdit*>(QString::fromLatin1(id));
        ASSERT_NE(edit, nullptr) << id;
        edit->setText(QString::fromLatin1(text));
    }
    std::string Program(size_t motor)
    {
        return chain->WithMotor(motor, [](vqxsim::SimMotor& m) {
            return m.Program().Valid() ? m.Program().Body() : std::string();
        });
    }
    bool Asked(const std::string& text)
    {
        const auto texts = questions.MessageTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    CVQXView* ActiveEditor() { return editor::ActiveView(frame->MdiArea()); }
    bool Enabled(int id)
    {
        frame->Commands().Update(id);
        return frame->Commands().Action(id)->isEnabled();
    }

    ChainDevice probe;
};

} // namespace

TEST_F(ProjectCommandsGui, NewProjectItsDialogsTheEditorsDownloadAndClose)
{
    // New Project: the name page and the ports page (the network and USB ports the machine offers
    // are deleted), then the motors are found on the chain.
    const std::string folder = dir / "line";
    QString title;
    questions.AnswerMessageBox(ui::IDYES); // delete the USB port
    questions.AnswerMessageBox(ui::IDYES); // delete the network port
    questions.AnswerMessageBox(ui::IDYES); // detect the motors
    FillNamePage("Line", folder, &title, [](QDialog* dlg) {
        auto* tabs = dlg->findChild<QTabBar*>();
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentIndex(1);
        auto* list = dlg->findChild<QTreeWidget*>(QStringLiteral("1026"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Com3"));
        for (int row : {2, 1}) {
            list->setCurrentItem(list->topLevelItem(row));
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("2005")), Qt::LeftButton);
        }
        EXPECT_EQ(list->topLevelItemCount(), 1);
    });
    ASSERT_TRUE(Run(cmd::ID_NEW_PROJECT));
    EXPECT_EQ(title, QStringLiteral("New Project"));
    ASSERT_EQ(Project().Name, "Line");
    EXPECT_FALSE(Project().isDefault);
    EXPECT_EQ(Project().FileName, folder + "/Line.spj");
    EXPECT_TRUE(std::filesystem::exists(folder + "/Line.spj"));
    EXPECT_TRUE(Asked("Do you want VQX to automatically detect the motors?"));
    ASSERT_EQ(Project().PortCount(), 1);
    ASSERT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_EQ(TreeText(-1), QStringLiteral("Project: Line"));
    EXPECT_EQ(Tree().ItemOf(0)->childCount(), 3);
    EXPECT_TRUE(frame->windowTitle().contains(QStringLiteral("Line")));
    EXPECT_TRUE(frame->ConfigBar()->isVisible());
    Project().Port(0)->OpenPort();

    // Communication Settings, and the root's Properties, open the ports page on a copy: Cancel
    // leaves everything; Project properties with OK marks the project modified.
    Project().modified = false;
    auto cancelWithOneRow = [](QDialog* dlg) {
        auto* list = dlg->findChild<QTreeWidget*>(QStringLiteral("1026"));
        EXPECT_EQ(list ? list->topLevelItemCount() : -1, 1);
        dlg->reject();
    };
    EXPECT_EQ(WithDialog(cmd::ID_COMM_SETTINGS, cancelWithOneRow), QStringLiteral("Communication Settings"));
    ASSERT_TRUE(Tree().Select(-1));
    EXPECT_EQ(WithDialog(kTreeProperties, cancelWithOneRow), QStringLiteral("Communication Settings"));
    EXPECT_FALSE(Project().modified);
    EXPECT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_TRUE(Project().Port(0)->isOpen); // open again after each dialog
    EXPECT_EQ(WithDialog(cmd::ID_PROJECT_PROPERTIES, Ok), QStringLiteral("Project properties"));
    EXPECT_TRUE(Project().modified);
    ASSERT_EQ(Project().Port(0)->MotorCount(), 3);

    // The port's Properties: renamed, and open again with its motors answering.
    ASSERT_TRUE(Tree().Select(0));
    EXPECT_EQ(WithDialog(kTreeProperties,
                         [](QDialog* dlg) {
                             SetText(dlg, "1023", "Chain");
                             Ok(dlg);
                         }),
              QStringLiteral("Port Properties"));
    EXPECT_EQ(Project().Port(0)->Name, "Chain");
    EXPECT_EQ(TreeText(0), QStringLiteral("Chain (9600 bps)"));
    EXPECT_EQ(Bar().Tabs()->tabText(0), QStringLiteral("Chain"));
    ASSERT_TRUE(Project().Port(0)->isOpen);
    EXPECT_TRUE(Type("2RP").contains(QStringLiteral("0\n"))) << PaneText(0).toStdString();

    // "Download the program": only with a source document in front; it goes into the motor chosen
    // in the tree after its question.
    ASSERT_TRUE(Tree().Select(0, 1));
    EXPECT_FALSE(Enabled(kTreeDownloadEditor));
    WriteFile(folder + "/jog.tqs", "a=5\nEND\n");
    std::string error;
    ASSERT_NE(templates.OpenDocument(frame->MdiArea(), QString::fromStdString(folder + "/jog.tqs"), &error), nullptr)
        << error;
    ASSERT_NE(ActiveEditor(), nullptr);
    EXPECT_TRUE(Enabled(kTreeDownloadEditor));
    const std::string before = Program(0);
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(kTreeDownloadEditor));
    const std::string motor2 = Project().Port(0)->motors.GetAt(1)->Name;
    EXPECT_TRUE(Asked("Do you want to Compile and Download the file \"" + folder + "/jog.tqs\" to the motor \"" +
                      motor2 + "\"?"));
    EXPECT_NE(Program(1).find("a=5"), std::string::npos) << Program(1);
    EXPECT_EQ(Program(0), before);
    EXPECT_EQ(h.info.ErrorCount(), 0);

    // A source open in the editor with changes is saved before the tree's Download compiles it,
    // and Save All writes what changed since.
    DropOn(Tree().ItemOf(0, 0), {folder + "/jog.tqs"});
    ASSERT_TRUE(Tree().Select(0, 0, 0));
    ASSERT_TRUE(Run(kTreeMainFile));
    ActiveEditor()->selectAll();
    ActiveEditor()->InsertText(QStringLiteral("a=6\nEND\n"));
    ASSERT_TRUE(ActiveEditor()->GetDocument()->IsModified());
    ASSERT_TRUE(Tree().Select(0, 0));
    const size_t asked = questions.MessageTexts().size();
    ASSERT_TRUE(Run(kTreeDownloadMain)); // the question closed: nothing is sent
    ASSERT_EQ(questions.MessageTexts().size(), asked + 1);
    EXPECT_EQ(questions.MessageTexts().back(), "Do you want to Compile and Download the file \"" + folder +
                                                   "/jog.tqs\" to the motor \"" +
                                                   Project().Port(0)->motors.GetAt(0)->Name + "\"?");
    EXPECT_EQ(Program(0), before);
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(kTreeDownloadMain));
    EXPECT_NE(Program(0).find("a=6"), std::string::npos) << Program(0);
    EXPECT_FALSE(ActiveEditor()->GetDocument()->IsModified());
    ActiveEditor()->selectAll();
    ActiveEditor()->InsertText(QStringLiteral("a=8\nEND\n"));
    ASSERT_TRUE(ActiveEditor()->GetDocument()->IsModified());
    ASSERT_TRUE(Run(cmd::ID_SAVE_ALL));
    EXPECT_FALSE(ActiveEditor()->GetDocument()->IsModified());
    std::ifstream jog(folder + "/jog.tqs", std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(jog), {}).find("a=8"), std::string::npos);
    EXPECT_FALSE(Project().modified);
    CProject written;
    written.Load(folder + "/Line.spj");
    ASSERT_EQ(written.PortCount(), 1);
    EXPECT_EQ(written.Port(0)->Name, "Chain");
    EXPECT_EQ(written.Port(0)->motors.GetAt(0)->associatedFiles.GetCount(), 1);
    EXPECT_EQ(h.info.ErrorCount(), 0);

    // The motor's Properties: Cancel keeps it; OK renames it.
    ASSERT_TRUE(Tree().Select(0, 0));
    const std::string oldName = Project().Port(0)->motors.GetAt(0)->Name;
    EXPECT_EQ(WithDialog(kTreeMotorProperties,
                         [](QDialog* dlg) {
                             SetText(dlg, "1023", "Dropped");
                             dlg->reject();
                         }),
              QStringLiteral("Motor Properties"));
    EXPECT_EQ(Project().Port(0)->motors.GetAt(0)->Name, oldName);
    ASSERT_TRUE(Tree().Select(0, 0));
    WithDialog(kTreeMotorProperties, [](QDialog* dlg) {
        SetText(dlg, "1023", "Left");
        Ok(dlg);
    });
    EXPECT_EQ(Project().Port(0)->motors.GetAt(0)->Name, "Left");
    EXPECT_EQ(TreeText(0, 0), QStringLiteral("Left (450)"));

    // The motor dialog's version list is the frame's list of firmware versions.
    registry.SetValue(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Scanner",
                      platform::RegValue::String("462", "462.sld"));
    frame->RebuildFirmwareList();
    CMotor& left = *Project().Port(0)->motors.GetAt(0);
    const uint32_t flags = left.VQXFlags;
    left.VQXFlags = 3; // a motor of the class whose version is chosen from the list
    ASSERT_TRUE(Tree().Select(0, 0));
    QStringList versions;
    WithDialog(kTreeMotorProperties, [&](QDialog* dlg) {
        auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("1015"));
        ASSERT_NE(combo, nullptr);
        for (int i = 0; i < combo->count(); ++i)
            versions << combo->itemText(i);
        dlg->reject();
    });
    left.VQXFlags = flags;
    EXPECT_EQ(versions, QStringList{QStringLiteral("462")});

    // Only the tool windows and what comes with them stay off in the running program, and, with
    // a motor selected, the tree's rates of a selected port.
    for (int id : session->Commands().State().unavailable)
        EXPECT_TRUE(id == cmd::ID_OPTIONS || id == cmd::ID_OPEN_PROJECT || id == kTreeProperties ||
                    (id >= shell::ids::kBaudTreeFirst && id <= shell::ids::kBaudTreeLast))
            << id;

    // Close Project: the changes are not saved when the user says No; the default project follows.
    h.context.Options().SaveWorkspace = false;
    questions.AnswerMessageBox(ui::IDNO);
    const int boxes = questions.MessageBoxCount();
    ASSERT_TRUE(Run(cmd::ID_CLOSE_PROJECT));
    ASSERT_GT(questions.MessageBoxCount(), boxes);
    EXPECT_EQ(questions.MessageTexts()[static_cast<size_t>(boxes)], "Do you want to save changes to the current project?");
    EXPECT_TRUE(Project().isDefault);
    EXPECT_EQ(TreeText(-1), QStringLiteral("Detected Configuration"));
    EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 0);
    EXPECT_FALSE(Enabled(cmd::ID_CLOSE_PROJECT));
    CProject saved;
    saved.Load(folder + "/Line.spj");
    ASSERT_EQ(saved.PortCount(), 1);
    EXPECT_EQ(saved.Port(0)->motors.GetAt(0)->Name, oldName); // the rename after Save All was not saved
    EXPECT_TRUE(questions.ScriptErrors().empty());
    EXPECT_EQ(questions.PendingAnswers(), 0u);
}

TEST_F(ProjectCommandsGui, TransmitUploadClearAndFindMotorsCancelledOrFailing)
{
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
    CCommPort& port = *Project().Port(0);
    ASSERT_EQ(port.MotorCount(), 3);

    // Transmit a compiled file to the motor at address 2, then to each motor of the port in turn.
    const std::string source = dir / "cut.tqs";
    WriteFile(source, "a=7\nEND\n");
    ASSERT_EQ(BuildSourceFile(app->scanner, source, "450", h.info, session->Commands()), 0);
    const std::string compiled = CScanner::GetCompiledFileName(source);
    const std::string before1 = Program(0);
    app->desktop.files.push_back(QString::fromStdString(compiled));
    WithMotorChosen(cmd::ID_TRANSMIT_COMPILED, 2);
    EXPECT_EQ(app->desktop.asked.back().title, QStringLiteral("Open Compiled program"));
    EXPECT_NE(Program(1).find("a=7"), std::string::npos) << Program(1);
    EXPECT_EQ(Program(0), before1);
    EXPECT_TRUE(InfoHas("Transmitting \"" + compiled));
    app->desktop.files.push_back(QString::fromStdString(compiled));
    WithMotorChosen(cmd::ID_TRANSMIT_COMPILED, 0, "Each Motor");
    for (size_t m : {0u, 2u})
        EXPECT_EQ(Program(m), Program(1)) << m;

    // Upload from the menu (motor 2) opens the program in an editor.
    WithMotorChosen(cmd::ID_UPLOAD_PROGRAM, 2);
    ASSERT_NE(ActiveEditor(), nullptr);
    EXPECT_NE(ActiveEditor()->PlainText().find("a=7"), std::string::npos) << ActiveEditor()->PlainText();
    // The upload is a new document with changes to save: closing its window asks first.
    EXPECT_TRUE(ActiveEditor()->GetDocument()->PathName().isEmpty());
    EXPECT_TRUE(ActiveEditor()->GetDocument()->IsModified());
    const size_t asked = questions.MessageTexts().size();
    ActiveEditor()->parentWidget()->close(); // the question closed: the window stays
    ASSERT_EQ(questions.MessageTexts().size(), asked + 1);
    EXPECT_EQ(questions.MessageTexts().back(),
              "Save changes to " + ActiveEditor()->GetDocument()->Title().toStdString() + "?");

    // Clear EEPROM of motor 3 from the tree, after its question; its upload then holds no program.
    ASSERT_TRUE(Tree().Select(0, 2));
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(kTreeClearEEPROM));
    EXPECT_TRUE(Asked("Any program in the motor will be permanently overwriten with a program containing only an "
                      "\"END\" command.\n\nAre you sure you want to continue?"));
    EXPECT_EQ(Program(2).find("a=7"), std::string::npos) << Program(2);
    EXPECT_NE(Program(1).find("a=7"), std::string::npos);
    fw::CloseAllDocuments(frame->MdiArea()); // the uploads are dropped unsaved
    ASSERT_TRUE(Tree().Select(0, 2));
    ASSERT_TRUE(Run(kTreeUpload));
    ASSERT_NE(ActiveEditor(), nullptr);
    EXPECT_EQ(ActiveEditor()->PlainText().find("a=7"), std::string::npos);
    EXPECT_NE(ActiveEditor()->PlainText().find("END"), std::string::npos) << ActiveEditor()->PlainText();
    EXPECT_EQ(h.info.ErrorCount(), 0);

    // Find Motors cancelled at the wait dialog: the comparison ends, the project is as it was.
    std::vector<CMotor*> motors;
    for (int m = 0; m < port.MotorCount(); ++m)
        motors.push_back(port.motors.GetAt(m));
    h.progress.CancelAtCount(1);
    questions.AnswerMessageBox(ui::IDYES); // "Are you sure you want to cancel ...?"
    ASSERT_TRUE(Run(cmd::ID_FIND_MOTORS));
    EXPECT_TRUE(h.progress.State().Cancelled());
    EXPECT_EQ(questions.PendingAnswers(), 0u); // the cancel was asked and confirmed
    ASSERT_EQ(port.MotorCount(), 3);
    for (int m = 0; m < 3; ++m)
        EXPECT_EQ(port.motors.GetAt(m), motors[static_cast<size_t>(m)]);
    EXPECT_TRUE(port.isOpen);

    // Find Motors with a second port whose device is gone: that port is left out with its motor,
    // the chain is compared and stays as it was.
    auto gone = std::make_unique<CCommPort>();
    gone->Name = gone->PortName = "Com9";
    ASSERT_TRUE(Project().AddPort(std::move(gone)));
    EnterDetectedMotor(*Project().Port(1), 5)->Name = "Kept";
    session->PortsChanged();
    h.info.Clear();
    ASSERT_TRUE(Run(cmd::ID_FIND_MOTORS));
    EXPECT_GE(h.info.ErrorCount(), 1);
    ASSERT_EQ(Project().PortCount(), 2);
    ASSERT_EQ(Project().Port(1)->MotorCount(), 1);
    EXPECT_EQ(Project().Port(1)->motors.GetAt(0)->Name, "Kept");
    EXPECT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_TRUE(Project().Port(0)->isOpen);
    EXPECT_TRUE(questions.ScriptErrors().empty());
    EXPECT_EQ(questions.PendingAnswers(), 0u);
}

// Files that went away, a firmware version whose language file is missing and a port whose device
// vanished: each is told as an error, nothing is downloaded, and the project keeps its entries.
TEST_F(ProjectCommandsGui, BadInputIsToldAndChangesNothing)
{
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
    const std::string folder = dir / "bad";
    QString title;
    FillNamePage("Bad", folder, &title);
    ASSERT_TRUE(Run(cmd::ID_SAVE_PROJECT));
    ASSERT_EQ(Project().Name, "Bad");
    CCommPort& port = *Project().Port(0);
    ASSERT_EQ(port.MotorCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const std::string file = folder + "/m" + std::to_string(i + 1) + ".tqs";
        WriteFile(file, "a=" + std::to_string(i + 1) + "\nEND\n");
        DropOn(Tree().ItemOf(0, i), {file});
        ASSERT_TRUE(Tree().Select(0, i, 0));
        ASSERT_TRUE(Run(kTreeMainFile));
    }
    auto errorsWith = [this](const std::string& text) {
        int n = 0;
        for (const auto& l : h.info.Lines())
            n += l.kind == ui::InfoKind::Error && l.description.find(text) != std::string::npos;
        return n;
    };
    const std::vector<std::string> programs = {Program(0), Program(1), Program(2)};
    auto nothingDownloaded = [&] {
        for (size_t m = 0; m < 3; ++m)
            EXPECT_EQ(Program(m), programs[m]) << m;
    };

    // One file deleted, one renamed: Compile Project, Compile and Download Project and the tree's
    // Download name each missing file; the motors keep their entries and their programs.
    std::filesystem::remove(folder + "/m1.tqs");
    std::filesystem::rename(folder + "/m2.tqs", folder + "/m2-old.tqs");
    for (int id : {cmd::ID_COMPILE_PROJECT, cmd::ID_COMPILE_DOWNLOAD_PROJECT}) {
        SCOPED_TRACE(id);
        h.info.Clear();
        ASSERT_TRUE(Run(id));
        EXPECT_GE(errorsWith("m1.tqs"), 1);
        if (id == cmd::ID_COMPILE_PROJECT) {
            EXPECT_GE(errorsWith("m2.tqs"), 1); // every file is compiled and judged by itself
        }
    }
    ASSERT_TRUE(Tree().Select(0, 1));
    h.info.Clear();
    ASSERT_TRUE(Run(kTreeDownloadMain));
    EXPECT_GE(errorsWith("m2.tqs"), 1);
    nothingDownloaded();
    for (int i = 0; i < 3; ++i) {
        const CMotor& m = *port.motors.GetAt(i);
        ASSERT_EQ(m.associatedFiles.GetCount(), 1);
        EXPECT_EQ(m.associatedFiles.GetAt(0)->FileName, folder + "/m" + std::to_string(i + 1) + ".tqs");
        EXPECT_EQ(m.mainAssociatedFile, 0);
    }

    // The files are back; motor 3 says its firmware is a version whose language file is missing:
    // the error names the language, and no motor gets a program.
    WriteFile(folder + "/m1.tqs", "a=1\nEND\n");
    std::filesystem::rename(folder + "/m2-old.tqs", folder + "/m2.tqs");
    registry.SetValue(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Scanner",
                      platform::RegValue::String("999", (dir / "no-such-language.sld").c_str()));
    port.motors.GetAt(2)->Version = "999";
    h.info.Clear();
    ASSERT_TRUE(Run(cmd::ID_COMPILE_DOWNLOAD_PROJECT));
    EXPECT_GE(errorsWith("no-such-language.sld"), 1);
    nothingDownloaded();
    EXPECT_EQ(port.motors.GetAt(2)->Version, "999");

    // A port of the project whose device vanished: Detect Motors tells it and keeps its motor.
    auto vanished = std::make_unique<CCommPort>();
    vanished->Name = vanished->PortName = "Com8";
    ASSERT_TRUE(Project().AddPort(std::move(vanished)));
    EnterDetectedMotor(*Project().Port(1), 4)->Name = "Kept";
    session->PortsChanged();
    Bar().Tabs()->setCurrentIndex(1);
    h.info.Clear();
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
    EXPECT_GE(errorsWith("Cannot open serial port!"), 1);
    ASSERT_EQ(Project().Port(1)->MotorCount(), 1);
    EXPECT_EQ(Project().Port(1)->motors.GetAt(0)->Name, "Kept");
    EXPECT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_TRUE(questions.ScriptErrors().empty());
    EXPECT_EQ(questions.PendingAnswers(), 0u);
}

TEST_F(ProjectCommandsGui, PortPropertiesOfAnOpenPortWhoseDeviceIsGoneLeavesItClosedAndSaysWhy)
{
    ASSERT_TRUE(Project().Port(0)->isOpen);
    chain.reset(); // the cable is pulled: the device goes once the port lets go of it
    ASSERT_TRUE(Tree().Select(0));
    h.info.Clear();
    EXPECT_EQ(WithDialog(kTreeProperties, Ok), QStringLiteral("Port Properties"));
    EXPECT_FALSE(Project().Port(0)->isOpen);
    EXPECT_GE(h.info.ErrorCount(), 1);
    EXPECT_TRUE(frame->isVisible()); // the program goes on
}
