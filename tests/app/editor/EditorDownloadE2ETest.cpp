// From the editor into simulated motors: compile a source and download it to one motor of an
// RS-232 chain, to all motors at once, to the motors the file is associated with, and to each
// motor of an RS-485 bus in turn (a servoing motor skipped, a cancel that ends the run, a silent
// motor that raises the communication-error query). Checked from the motors' side: what they hold,
// what they were told, that none is left asleep.

#include "app/editor/EditorDownload.h"
#include "app/project/CompiledDownload.h"
#include "app/project/Project.h"
#include "app/project/SelectMotor.h"
#include "app/shell/CommError.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "tests/e2e/TransferRig.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace transfertest;
using transfer::UploadMatchesImage;

namespace {

struct FakeDoc : editor::ISourceDocument {
    std::string path;
    std::string text;
    std::string PathName() const override { return path; }
    std::string Title() const override { return "prog.tqs"; }
    std::string LanguageVersion() const override { return {}; }
    bool IsCalibration() const override { return false; }
    std::string PlainText() const override { return text; }
    bool EnsureSaved() override { return true; }
};

struct RecordingQuery : commerror::ICommErrorHandler {
    std::vector<std::pair<uint32_t, CMotor*>> requests;
    uint32_t OnCommError(uint32_t request, commerror::Target target) override
    {
        requests.emplace_back(request, target.motor);
        return 0; // the user gives up
    }
};

struct EditorRig : Services {
    EditorRig(bool chain, size_t n)
    {
        auto profiles = Profiles(n);
        for (auto& p : profiles) {
            p.echo[0] = chain;
            p.channel[0].baud = chain ? 9600 : 38400;
        }
        rig = chain ? vqxsim::SerialRig::Chain(profiles, {}) : vqxsim::SerialRig::Bus(profiles, {});
        project.SetContext(&context);
        auto p = std::make_unique<CCommPort>();
        p->Name = chain ? "Chain" : "Bus";
        p->PortName = rig->DevicePath();
        p->CommType = chain ? COMM_RS232 : COMM_RS485;
        p->Echo = chain ? 1 : 0;
        p->BitPerSec = chain ? 9600 : 38400;
        p->SetMaxMotors(static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            auto* m = new CMotor;
            m->Address = static_cast<int>(i) + 1;
            m->Name = "Motor " + std::to_string(i + 1);
            m->Version = "450";
            p->motors.Add(m);
        }
        p->RebuildAddressTable();
        EXPECT_TRUE(project.AddPort(std::move(p)));
        port = project.Port(0);
        port->OpenPort();
        doc.path = folder.File("prog.tqs");
        doc.text = kSampleProgram;
        env.selectTarget = [this](uint32_t& selection, bool& blind) {
            selection = nextTarget;
            blind = false;
            return true;
        };
        env.showTerminal = [this](CCommPort* p) { terminalShown.push_back(p); };
        env.commError = &query;
    }

    editor::CEditorDownload Download()
    {
        build = std::make_unique<editor::CSourceBuild>(scanner, context, &project);
        return editor::CEditorDownload(*build, &project, env);
    }
    std::string Body(int address)
    {
        std::string body;
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) {
            body = m.Program().Valid() ? m.Program().Body() : "<invalid>";
        });
        return body;
    }
    size_t Commands(int address, const std::string& command)
    {
        size_t n = 0;
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) {
            for (const std::string& c : m.CommandLog())
                n += c == command ? 1 : 0;
        });
        return n;
    }
    bool AnyAsleep()
    {
        bool asleep = false;
        for (size_t i = 0; i < rig->Count(); ++i)
            rig->WithMotor(i, [&](vqxsim::SimMotor& m) { asleep = asleep || m.Asleep(0) || m.Asleep(1); });
        return asleep;
    }
    std::string Image() { return ReadFile(CScanner::GetCompiledFileName(doc.path)); }

    CProject project;
    std::unique_ptr<vqxsim::SerialRig> rig;
    CCommPort* port = nullptr;
    CScanner scanner;
    std::unique_ptr<editor::CSourceBuild> build;
    FakeDoc doc;
    RecordingQuery query;
    editor::DownloadSurroundings env;
    uint32_t nextTarget = 0;
    std::vector<CCommPort*> terminalShown;
};

} // namespace

TEST(EditorDownloadE2E, ChainOneMotorAllAtOnceAndAssociatedMotors)
{
    EditorRig t(true, 3);

    // Motor 2 chosen in the dialog; "Run" after the download.
    t.nextTarget = selectmotor::MakeSelection(0, 2);
    t.questions.AnswerDownloadDone(ui::kDownloadDoneRun);
    EXPECT_FALSE(t.Download().DownloadProgram(t.doc, nullptr)) << "a single target shows its own summary";
    const std::string image = t.Image();
    ASSERT_FALSE(image.empty()) << t.InfoText();
    EXPECT_TRUE(UploadMatchesImage(t.Body(2), image)) << t.Body(2);
    EXPECT_EQ(t.Commands(1, "LOAD") + t.Commands(3, "LOAD"), 0u);
    EXPECT_EQ(t.Commands(2, "RUN"), 1u);
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.port->GetMotor(2)->ProgName, CScanner::GetCompiledFileName(t.doc.path)) << "program recorded";
    const std::string info = t.InfoText();
    EXPECT_NE(info.find("Scanning \"prog.tqs\" (450)..."), std::string::npos) << info;
    EXPECT_NE(info.find("Transmitting \"" + CScanner::GetCompiledFileName(t.doc.path) + "\" (" +
                        std::to_string(image.size()) + " bytes) to \"Motor 2\""),
              std::string::npos)
        << info;
    ASSERT_EQ(t.terminalShown.size(), 1u);
    EXPECT_EQ(t.terminalShown[0], t.port);
    EXPECT_TRUE(t.query.requests.empty());

    // All motors at once through the broadcast address (Yes to the global-download question).
    t.doc.text = kFlowProgram;
    t.nextTarget = selectmotor::MakeSelection(0, selectmotor::kGlobalAddress);
    t.questions.AnswerMessageBox(ui::IDYES);
    t.Download().DownloadProgram(t.doc, nullptr);
    const std::string flowImage = t.Image();
    for (int a = 1; a <= 3; ++a)
        EXPECT_TRUE(UploadMatchesImage(t.Body(a), flowImage)) << a << t.InfoText();
    EXPECT_NE(t.InfoText().find("to All Motors in port \"Chain\""), std::string::npos);
    EXPECT_FALSE(t.AnyAsleep());

    // Motors of different major versions refuse the broadcast, and nothing is sent.
    t.port->GetMotor(3)->Version = "510";
    t.doc.text = kBackupProgram;
    t.Download().DownloadProgram(t.doc, nullptr);
    EXPECT_NE(t.InfoText().find("Cannot download to all motors in port \"Chain\", because motors have different major "
                                "versions!"),
              std::string::npos);
    for (int a = 1; a <= 3; ++a)
        EXPECT_TRUE(UploadMatchesImage(t.Body(a), flowImage)) << a;
    t.port->GetMotor(3)->Version = "450";

    // Associated with motors 1 and 3: one question, then both in a row.
    ASSERT_TRUE(t.port->GetMotor(1)->AddAssociatedFile(t.doc.path));
    ASSERT_TRUE(t.port->GetMotor(3)->AddAssociatedFile(t.doc.path));
    t.questions.AnswerMessageBox(ui::IDYES);
    const size_t asked = t.questions.MessageTexts().size();
    t.Download().CompileAndTransmit(t.doc);
    const auto texts = t.questions.MessageTexts();
    ASSERT_GT(texts.size(), asked);
    EXPECT_EQ(texts[asked], "Do you want to Compile and Download the file \"" + t.doc.path + "\" to ALL associated motors?");
    const std::string backup = t.Image();
    EXPECT_TRUE(UploadMatchesImage(t.Body(1), backup));
    EXPECT_TRUE(UploadMatchesImage(t.Body(2), flowImage)) << "not associated: unchanged";
    EXPECT_TRUE(UploadMatchesImage(t.Body(3), backup));
    EXPECT_FALSE(t.AnyAsleep());

    // A compiled file that cannot be opened (its name leads to a device): each motor in turn
    // ends at the first motor; the run over the associated motors goes on to the next, each told.
    const std::string compiled = CScanner::GetCompiledFileName(t.doc.path);
    std::filesystem::remove(compiled);
    std::filesystem::create_symlink("/dev/null", compiled);
    auto count = [&t](const std::string& text) {
        size_t n = 0;
        for (const auto& line : t.info.Lines())
            n += line.description.find(text) != std::string::npos ? 1 : 0;
        return n;
    };
    size_t loads = 0;
    for (int a = 1; a <= 3; ++a)
        loads += t.Commands(a, "LOAD");
    t.info.Clear();
    t.nextTarget = selectmotor::MakeSelection(0, selectmotor::kEachMotorAddress);
    EXPECT_FALSE(t.Download().DownloadProgram(t.doc, nullptr));
    EXPECT_EQ(count(editor::kCannotOpenText), 1u) << t.InfoText();
    EXPECT_EQ(count("Scanning"), 1u) << "the second and third motors are not built for: " << t.InfoText();
    t.info.Clear();
    t.questions.AnswerMessageBox(ui::IDYES);
    t.Download().CompileAndTransmit(t.doc);
    EXPECT_EQ(count(editor::kCannotOpenText), 2u) << t.InfoText();
    size_t after = 0;
    for (int a = 1; a <= 3; ++a)
        after += t.Commands(a, "LOAD");
    EXPECT_EQ(after, loads) << "nothing was sent";
    std::filesystem::remove(compiled);
}

TEST(EditorDownloadE2E, BusEachMotorSkipCancelAndSilentMotor)
{
    EditorRig t(false, 3);
    t.nextTarget = selectmotor::MakeSelection(0, selectmotor::kEachMotorAddress);

    // Motor 2 is servoing: "Skip this motor", and the run goes on to motor 3.
    t.rig->WithMotor(1, [](vqxsim::SimMotor& m) { m.SetServo(true); });
    t.questions.AnswerChoice(102);
    EXPECT_TRUE(t.Download().DownloadProgram(t.doc, nullptr)) << t.InfoText();
    const std::string image = t.Image();
    EXPECT_TRUE(UploadMatchesImage(t.Body(1), image));
    EXPECT_EQ(t.Commands(2, "LOAD"), 0u);
    EXPECT_TRUE(UploadMatchesImage(t.Body(3), image)) << "a skipped motor does not end the run";
    ASSERT_EQ(t.questions.AskedQuestions().size(), 1u);
    EXPECT_NE(t.questions.AskedQuestions()[0].choice.values[3], 0) << "several motors: the 'all' answers are offered";
    EXPECT_FALSE(t.AnyAsleep());
    t.rig->WithMotor(1, [](vqxsim::SimMotor& m) { m.SetServo(false); });

    // Cancel during the first motor's transfer ends the run: motors 2 and 3 keep their program.
    t.doc.text = kFlowProgram;
    t.questions.AnswerMessageBox(ui::IDYES); // "are you sure you want to cancel"
    t.progress.CancelAtCount(16);
    EXPECT_FALSE(t.Download().DownloadProgram(t.doc, nullptr));
    EXPECT_NE(t.Body(1), t.Image());
    EXPECT_FALSE(UploadMatchesImage(t.Body(1), t.Image()));
    EXPECT_EQ(t.Commands(2, "LOAD"), 0u);
    EXPECT_TRUE(UploadMatchesImage(t.Body(3), image));
    EXPECT_FALSE(t.AnyAsleep());

    // A motor that stopped answering: the error goes to the main frame's query, with the motor.
    t.rig->WithMotor(1, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    t.context.Options().ResponseTimeout = 200;
    t.nextTarget = selectmotor::MakeSelection(0, 2);
    EXPECT_FALSE(t.Download().DownloadProgram(t.doc, nullptr));
    ASSERT_EQ(t.query.requests.size(), 1u) << t.InfoText();
    EXPECT_EQ(t.query.requests[0].first & 0xFFFF0000u, commerror::kMotorOperationFailed);
    EXPECT_EQ(t.query.requests[0].first & 0xFFFFu, 1005u);
    EXPECT_EQ(t.query.requests[0].second, t.port->GetMotor(2));
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_FALSE(t.progress.IsShown()) << "the please-wait dialog is closed";
}

// The one download every command uses (the editor's and the project's): the line names the file,
// its size and the target, the blind warning follows when verification is off, the please-wait
// dialog shows the same line and is closed again, and a file that cannot be opened sends nothing.
TEST(EditorDownloadE2E, TheSharedDownloadTellsTheSameLineForEveryTarget)
{
    EditorRig t(true, 3);
    const std::string file = t.Compile(kSampleProgram, "450");
    const std::string size = std::to_string(ReadFile(file).size());
    struct Row {
        const char* what;
        int address; // 0: every motor of the port at once
        uint32_t flags;
        bool exists;
        std::string target;
        bool warned;
        int code;
    } rows[] = {
        {"one motor", 2, editor::kChosenTargetFlags, true, "\"Motor 2\"", false, 0},
        {"all at once, blind", 0, editor::kBlindFlags, true, "All Motors in port \"Chain\"", true, 0},
        {"missing file", 3, editor::kChosenTargetFlags, false, "", false, 1034},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        t.info.Clear();
        const int shows = t.progress.ShowCount();
        CMotor all;
        all.Address = 0;
        all.SetPort(t.port);
        all.Name = "All Motors in port \"Chain\"";
        all.Version = "450";
        CMotor& motor = r.address ? *t.port->GetMotor(r.address) : all;
        if (r.address == 0)
            t.questions.AnswerMessageBox(ui::IDYES); // the question before a download to every motor
        const std::string path = r.exists ? file : file + ".gone";
        const int watched = r.address ? r.address : 1;
        const std::string before = t.Body(watched);
        int code = 0;
        uint32_t out = 0;
        try {
            // The record standing for every motor keeps no program information, as the editor's
            // broadcast does it.
            out = DownloadCompiledFile(motor, path, r.flags, r.address != 0);
        } catch (const CVQXException& e) {
            code = e.GetCode();
        }
        EXPECT_EQ(code, r.code);
        EXPECT_FALSE(t.progress.IsShown()) << "the please-wait dialog is closed";
        if (!r.exists) {
            EXPECT_TRUE(t.info.Lines().empty()) << t.InfoText();
            EXPECT_EQ(t.progress.ShowCount(), shows);
            EXPECT_EQ(t.Body(watched), before) << "nothing was sent";
            continue;
        }
        const std::string line = "Transmitting \"" + file + "\" (" + size + " bytes) to " + r.target;
        ASSERT_GE(t.info.Lines().size(), 1u);
        EXPECT_EQ(t.info.Lines()[0].description, line);
        EXPECT_EQ(t.info.Lines().size() > 1 && t.info.Lines()[1].kind == ui::InfoKind::Warning &&
                      t.info.Lines()[1].description == "No download verfication (Blind Download)",
                  r.warned)
            << t.InfoText();
        EXPECT_EQ(t.progress.ShowCount(), shows + 1);
        EXPECT_EQ(out & transfer::DL_CANCELLED, 0u);
        EXPECT_NE(t.Body(watched), before) << "the motor took the program";
        EXPECT_EQ(t.Body(watched), t.Body(2)) << "the same program";
    }
    EXPECT_FALSE(t.AnyAsleep());
}
