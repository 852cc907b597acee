// The project and its file: every section round trips (kept byte for byte when its owner is not
// there), the default project, old and hostile files, bounds on stored lists, failed saves, the
// port list against an injected probe, and the OpenDocuments text.
#include <gtest/gtest.h>

#include "app/project/Project.h"
#include "tests/common/CodeOf.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/common/HeadlessContext.h"
#include "platform/fs/AtomicFile.h"
#include "platform/paths/Paths.h"
#include "tests/common/TempFolder.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

// A part that keeps a few values in its section.
struct FakeSection final : IProjectSection {
    int32_t value = 0;
    std::string text;
    int calls = 0;
    void SerializeSection(const std::string& group, CTagArchive& ar) override
    {
        ++calls;
        if (group == kMotorViewsSection) {
            int32_t n = value;
            ar.SerializeInt("NoOfMVs", n, 0);
            for (int i = 0; i < n && i < 12; ++i) {
                CTagGroup g(ar, "MV" + std::to_string(i));
                if (g)
                    ar.SerializeString("WindPos", text, "");
            }
            value = n;
            return;
        }
        CTagGroup g(ar, group);
        if (!g)
            return;
        ar.SerializeInt("CurTab", value, -1);
        ar.SerializeString("Text", text, "");
    }
};

struct FakeProbe final : platform::ISerialPortProbe {
    std::map<std::string, platform::SerialPresence> devices;
    std::vector<std::string> extra;
    std::vector<std::string> Candidates() override
    {
        std::vector<std::string> out;
        for (int n = 1; n <= 30; ++n)
            out.push_back("Com" + std::to_string(n));
        out.insert(out.end(), extra.begin(), extra.end());
        return out;
    }
    platform::SerialPresence Probe(const std::string& name) override
    {
        auto it = devices.find(name);
        return it == devices.end() ? platform::SerialPresence::NotFound : it->second;
    }
};

std::unique_ptr<CCommPort> MakePort(const std::string& name, uint8_t type = COMM_RS232)
{
    auto p = std::make_unique<CCommPort>();
    p->Name = p->PortName = name;
    p->CommType = type;
    return p;
}

std::vector<std::string> PortNames(const CProject& p)
{
    std::vector<std::string> out;
    for (int i = 0; i < p.PortCount(); ++i)
        out.push_back(p.Port(i)->PortName);
    return out;
}

std::string ReadFile(const std::string& path)
{
    std::string s;
    platform::ReadWholeFile(path, s, 1 << 24);
    return s;
}

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    }
    void TearDown() override
    {
        if (m_oldData.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", m_oldData.c_str(), 1);
    }

    TempFolder folder;
    TestProfile profile;
    HeadlessContext headless;
    ui::CHeadlessQuestions& questions = headless.questions;

private:
    std::string m_oldData;
};

} // namespace

TEST_F(ProjectFileTest, EverySectionRoundTripsAndKeptSectionsStayByteForByte)
{
    CProject project;
    project.isDefault = false;
    project.Name = "Line";
    project.FileName = folder / "Line.spj";
    project.OpenDocuments = "/p/a.tqs<0,1,0,0,-1,-1,10,10,300,200,1>";
    auto com = MakePort("/dev/pts/9");
    com->BitPerSec = 38400;
    com->MaxMotors = 3;
    com->RebuildAddressTable();
    ASSERT_TRUE(project.AddPort(std::move(com)));
    EnterDetectedMotor(*project.Port(0), 1)->Version = "450";
    EnterDetectedMotor(*project.Port(0), 3);
    ASSERT_TRUE(project.AddPort(MakePort("Ethernet", COMM_ETHERNET)));
    for (const char* name : {"startup", "home", "stop"}) {
        auto m = std::make_unique<CMacro>();
        m->Name = name;
        m->Commands = std::string("0WAKE;") + name + "\r\n";
        ASSERT_TRUE(project.AddMacro(std::move(m)));
    }
    project.Macros()[1]->Shortcut = 1;
    std::map<std::string, FakeSection> owners;
    int k = 0;
    for (const char* s : {"MainFrame", "TerminalView", "SDAView", "Scanner", kMotorViewsSection}) {
        owners[s].value = ++k;
        owners[s].text = std::string("state of ") + s;
        project.SetSectionOwner(s, &owners[s]);
    }
    ASSERT_TRUE(project.Save());
    EXPECT_FALSE(project.modified);

    // Loading keeps the other parts' sections as records and calls nobody.
    CProject loaded;
    loaded.Load(folder / "Line.spj");
    for (auto& [name, o] : owners)
        EXPECT_EQ(o.calls, 1) << name;
    EXPECT_FALSE(loaded.isDefault);
    EXPECT_EQ(loaded.Name, "Line");
    EXPECT_EQ(loaded.Path, folder.Path()); // no stored Path: the file's folder
    EXPECT_EQ(loaded.OpenDocuments, project.OpenDocuments);
    ASSERT_EQ(loaded.PortCount(), 2);
    EXPECT_EQ(loaded.Port(0)->PortName, "/dev/pts/9");
    EXPECT_EQ(loaded.Port(0)->BitPerSec, 38400);
    ASSERT_EQ(loaded.Port(0)->MotorCount(), 2);
    EXPECT_EQ(loaded.Port(0)->motors.GetAt(1)->Address, 3);
    EXPECT_EQ(loaded.Port(0)->GetMotor(1)->Version, "450");
    EXPECT_EQ(loaded.Port(1)->CommType, COMM_ETHERNET);
    EXPECT_EQ(loaded.Port(1)->id, 1);
    ASSERT_EQ(loaded.Macros().size(), 3u);
    EXPECT_EQ(loaded.StartupMacro(), loaded.Macros()[0].get());
    EXPECT_EQ(loaded.Macros()[1]->Shortcut, 1);
    EXPECT_EQ(loaded.Macros()[2]->index, 2);
    for (const char* s : {"MainFrame", "TerminalView", "SDAView", "Scanner", kMotorViewsSection})
        EXPECT_TRUE(loaded.HasSection(s)) << s;

    // A copy saved without any owner writes the same file.
    CProject copy;
    copy.Copy(loaded);
    copy.FileName = folder / "Copy.spj";
    copy.Path.clear(); // as in the original, which stored none
    ASSERT_TRUE(copy.Save());
    EXPECT_EQ(ReadFile(folder / "Copy.spj"), ReadFile(folder / "Line.spj"));

    // Applying hands each section to its owner, as if it read the original file.
    std::map<std::string, FakeSection> fresh;
    for (auto& [name, o] : owners)
        copy.SetSectionOwner(name, &fresh[name]);
    copy.ApplySections();
    for (auto& [name, o] : owners) {
        EXPECT_EQ(fresh[name].value, o.value) << name;
        EXPECT_EQ(fresh[name].text, o.text) << name;
    }
}

TEST_F(ProjectFileTest, DefaultProjectHostileFilesBoundsAndFailedSaves)
{
    // The default project: Def.bin in the user data folder, without name, path or motor views.
    CProject def;
    def.LoadDefault();
    EXPECT_TRUE(def.isDefault);
    EXPECT_EQ(def.Name, kDefaultProjectName);
    EXPECT_EQ(def.PortCount(), 0);
    ASSERT_TRUE(def.AddPort(MakePort("Com3")));
    def.OpenDocuments = "x<1>";
    ASSERT_TRUE(def.Save());
    const std::string defPath = platform::UserDataPath(kDefaultProjectFile);
    CTagArchive raw(kProjectClass);
    ASSERT_TRUE(raw.OpenForRead(defPath));
    std::string name = "unset";
    int32_t views = -5;
    raw.SerializeString("Name", name, "none");
    raw.SerializeInt("NoOfMVs", views, -1);
    EXPECT_EQ(name, "none");
    EXPECT_EQ(views, -1);
    CProject def2;
    def2.LoadDefault();
    EXPECT_EQ(PortNames(def2), (std::vector<std::string>{"Com3"}));
    EXPECT_EQ(def2.OpenDocuments, ""); // not read from Def.bin

    // A good project that a failed open must leave alone.
    CProject good;
    good.isDefault = false;
    good.Name = "Good";
    good.FileName = folder / "Good.spj";
    ASSERT_TRUE(good.AddPort(MakePort("Com1")));
    ASSERT_TRUE(good.Save());
    const std::string goodBytes = ReadFile(good.FileName);

    // Garbage, truncated, empty and foreign files: "Invalid Project File!", nothing changed.
    platform::WriteFileAtomically(folder / "garbage.spj", "\x0aVQXWSPFILE\xff\xff\xff\xff", 15);
    platform::WriteFileAtomically(folder / "truncated.spj", goodBytes.data(), goodBytes.size() / 2);
    platform::WriteFileAtomically(folder / "empty.spj", "", 0);
    CTagArchive foreign("VQXModelsFile");
    foreign.OpenForWriteMemory();
    foreign.Close();
    const auto foreignBytes = foreign.TakeBytes();
    platform::WriteFileAtomically(folder / "foreign.spj", foreignBytes.data(), foreignBytes.size());
    for (const char* f : {"garbage.spj", "truncated.spj", "empty.spj", "foreign.spj", "missing.spj"}) {
        CProject target;
        target.Copy(good);
        const auto refused = ExceptionOf([&] { target.Load(folder / f); });
        EXPECT_TRUE(refused) << f << " loaded";
        EXPECT_EQ(refused ? refused->GetMessage() : std::string(), "Invalid Project File!") << f;
        EXPECT_EQ(PortNames(target), (std::vector<std::string>{"Com1"})) << f;
        EXPECT_EQ(target.Name, "Good");
    }

    // Lists beyond the tables: 40 ports, 60 macros and 500 motor views are cut to 30, 50 and 10.
    {
        CTagArchive big(kProjectClass);
        ASSERT_TRUE(big.OpenForWrite(folder / "big.spj"));
        std::string n = "Big";
        big.SerializeString("Name", n, "");
        big.OpenGroup("Channels");
        for (int i = 0; i < 40; ++i) {
            CCommPort p;
            p.Name = p.PortName = "Com" + std::to_string(i + 1);
            p.Serialize(CTagArchive::ArrName(i), big);
        }
        big.CloseGroup();
        big.OpenGroup("Macros");
        for (int i = 0; i < 60; ++i) {
            CMacro m;
            m.Name = "m" + std::to_string(i);
            m.Serialize(CTagArchive::ArrName(i), big);
        }
        big.CloseGroup();
        int32_t mvs = 500;
        big.SerializeInt("NoOfMVs", mvs, 0);
        for (int i = 0; i < 12; ++i) {
            big.OpenGroup("MV" + std::to_string(i));
            big.CloseGroup();
        }
        ASSERT_TRUE(big.Close());
    }
    CProject bigProject;
    bigProject.Load(folder / "big.spj");
    EXPECT_EQ(bigProject.PortCount(), CProject::kMaxPorts);
    EXPECT_EQ(bigProject.Macros().size(), static_cast<size_t>(CProject::kMaxMacros));
    FakeSection viewSection;
    bigProject.SetSectionOwner(kMotorViewsSection, &viewSection);
    bigProject.ApplySections();
    EXPECT_EQ(viewSection.value, CProject::kMaxMotorViews);

    // A project file that cannot be written: the user is told, the old file stays.
    good.FileName = folder / "no-such-folder/Good.spj";
    good.SetContext(&headless.context);
    EXPECT_FALSE(good.Save());
    ASSERT_FALSE(questions.MessageTexts().empty());
    EXPECT_EQ(questions.MessageTexts().back(), "Cannot write to the project file.");
    EXPECT_EQ(ReadFile(folder / "Good.spj"), goodBytes);

    // New project names count up for the run, beside the current project's folder.
    good.Path = folder / "GoodDir";
    CProject a, b;
    a.MakeNewName(good);
    b.MakeNewName(good);
    EXPECT_FALSE(a.isDefault);
    const int na = std::stoi(a.Name.substr(7));
    EXPECT_EQ(b.Name, "Project" + std::to_string(na + 1));
    EXPECT_EQ(a.FileName, folder.Path() + "/" + a.Name + "/" + a.Name + ".spj");
}

TEST(ProjectPorts, EnumSerialPortsOverAnInjectedProbe)
{
    FakeProbe probe;
    probe.devices = {{"Com1", platform::SerialPresence::Present}, {"Com3", platform::SerialPresence::Busy},
                     {"/dev/ttyUSB0", platform::SerialPresence::Present}};
    probe.extra = {"/dev/ttyUSB0"};
    CProject p;
    ASSERT_TRUE(p.AddPort(MakePort("Com2")));                     // gone, no motors: removed
    ASSERT_TRUE(p.AddPort(MakePort("COM5")));                     // gone, with motors: kept
    EnterDetectedMotor(*p.Port(1), 1);
    ASSERT_TRUE(p.AddPort(MakePort("Net", COMM_ETHERNET)));       // an Ethernet port by another name
    ASSERT_TRUE(p.AddPort(MakePort("/dev/pts/7")));               // a pseudo-terminal that is gone: kept
    probe.devices["/dev/ttyUSB1"] = platform::SerialPresence::NotFound;
    probe.extra.push_back("/dev/ttyUSB1");
    ASSERT_TRUE(p.AddPort(MakePort("/dev/ttyUSB1")));             // a listed device path that is gone: kept
    p.EnumSerialPorts(probe);
    // New serial ports in case-insensitive text order before the others; the ones kept stay put.
    EXPECT_EQ(PortNames(p), (std::vector<std::string>{"/dev/ttyUSB0", "Com1", "Com3", "COM5", "Net", "/dev/pts/7",
                                                      "/dev/ttyUSB1", "USB"}));
    EXPECT_EQ(p.Port(7)->CommType, COMM_USB);
    EXPECT_EQ(p.Port(7)->BitPerSec, 38400);
    EXPECT_EQ(p.Port(7)->Echo, 0);
    for (int i = 0; i < p.PortCount(); ++i)
        EXPECT_EQ(p.Port(i)->id, i);
    // Running it again changes nothing.
    p.EnumSerialPorts(probe);
    EXPECT_EQ(p.PortCount(), 8);

    // Forty devices: the list stops at 30 with room kept for Ethernet and USB.
    FakeProbe many;
    for (int n = 1; n <= 30; ++n)
        many.devices["Com" + std::to_string(n)] = platform::SerialPresence::Present;
    for (int n = 0; n < 10; ++n) {
        many.extra.push_back("/dev/ttyACM" + std::to_string(n));
        many.devices[many.extra.back()] = platform::SerialPresence::Present;
    }
    CProject full;
    full.EnumSerialPorts(many);
    EXPECT_EQ(full.PortCount(), CProject::kMaxPorts);
    EXPECT_EQ(full.Port(28)->CommType, COMM_ETHERNET);
    EXPECT_EQ(full.Port(29)->CommType, COMM_USB);
    EXPECT_EQ(full.Port(0)->PortName, "Com1");
    EXPECT_EQ(full.Port(1)->PortName, "Com10"); // case-insensitive text order, as always

    // Open ports are remembered by device name.
    std::vector<std::string> none = full.RememberOpenPorts();
    EXPECT_TRUE(none.empty());
}

TEST(ProjectPorts, DevicePortsAreShownByShortNamesThatStayUnique)
{
    FakeProbe probe;
    probe.extra = {"/dev/serial/by-id/usb-FTDI_A1-if00", "/dev/pts/4", "/run/a/chain", "/run/b/chain"};
    for (const std::string& d : probe.extra)
        probe.devices[d] = platform::SerialPresence::Present;
    probe.devices["Com2"] = platform::SerialPresence::Present;
    CProject p;
    p.EnumSerialPorts(probe);
    std::vector<std::string> shown;
    for (int i = 0; i < p.PortCount(); ++i)
        shown.push_back(p.Port(i)->Name);
    EXPECT_EQ(shown, (std::vector<std::string>{"pts/4", "usb-FTDI_A1-if00", "chain", "/run/b/chain", "Com2", "Ethernet",
                                               "USB"}));
    EXPECT_EQ(p.Port(3)->PortName, "/run/b/chain");
}

TEST(ProjectDocuments, OpenDocumentsTextReadAndWritten)
{
    const std::string text = "/p/src/a.tqs<0,1,0,0,-1,-1,10,20,300,400,0>"
                             "/p/m/x.MON<0,1,0,0,-1,-1,5,5,50,50,1>"
                             "0102" "3.mvu<0,1,0,0,-1,-1,1,2,3,4>"
                             "/old/view.tqs/N/p/b.tqs<0,3,0,0,-1,-1,1,1,9,9,1>";
    const auto entries = ParseOpenDocuments(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].kind, OpenDocumentEntry::Document);
    EXPECT_EQ(entries[0].path, "/p/src/a.tqs");
    EXPECT_EQ(entries[0].placement.size(), 11u);
    EXPECT_EQ(entries[0].placement[9], 400);
    EXPECT_FALSE(entries[0].active());
    EXPECT_EQ(entries[1].kind, OpenDocumentEntry::Monitor);
    EXPECT_TRUE(entries[1].active());
    EXPECT_EQ(entries[2].kind, OpenDocumentEntry::MotorView);
    EXPECT_EQ(entries[2].portIndex, 1);
    EXPECT_EQ(entries[2].motorIndex, 23);
    EXPECT_EQ(entries[3].path, "/p/b.tqs"); // the viewless entry before it is skipped
    EXPECT_EQ(FormatOpenDocuments(ParseOpenDocuments(FormatOpenDocuments(entries))), FormatOpenDocuments(entries));

    EXPECT_TRUE(ParseOpenDocuments("").empty());
    EXPECT_TRUE(ParseOpenDocuments("no placement at all").empty());
    EXPECT_TRUE(ParseOpenDocuments("<1,2>/a.tqs<1>").empty()); // "<" at the very start
    EXPECT_EQ(ParseOpenDocuments("/a.tqs<1,2>/b.tqs<3").size(), 1u);
    EXPECT_EQ(ParseOpenDocuments("/a.tqs<99999999999999999999999,x,,-7>")[0].placement.size(), 4u);
}

TEST_F(ProjectFileTest, AStartupDeviceBecomesTheFirstPortOfANeverConfiguredDefaultProject)
{
    EXPECT_FALSE(DefaultProjectExists());
    FakeProbe probe;
    CProject def;
    def.LoadDefault(&probe);
    ASSERT_TRUE(AdoptStartupPort(def, "/tmp/vqx-motorsim-1"));
    EXPECT_EQ(PortNames(def), (std::vector<std::string>{"/tmp/vqx-motorsim-1", "Ethernet", "USB"}));
    EXPECT_EQ(def.Port(0)->CommType, COMM_RS232);
    EXPECT_EQ(def.Port(0)->IsOpen, 1);
    EXPECT_FALSE(AdoptStartupPort(def, "/tmp/vqx-motorsim-1")); // once
    EXPECT_FALSE(AdoptStartupPort(def, ""));
    ASSERT_TRUE(def.Save());
    EXPECT_TRUE(DefaultProjectExists());
    CProject named;
    named.isDefault = false;
    EXPECT_FALSE(AdoptStartupPort(named, "/dev/pts/3"));
}

// The motors holding a file, walked ports first, motors in list order, each after the one
// given: the name's letter case and a second name of the same file count, other files do not.
TEST(ProjectMotors, FindMotorByFileWalksPortsAndMotorsInOrder)
{
    TempFolder dir;
    const std::string file = dir / "Move.tqs";
    platform::WriteFileAtomically(file, "END\n", 4);
    const std::string alias = dir / "alias.tqs";
    std::filesystem::create_symlink(file, alias);
    CProject p;
    // Port 0: motors a (other file), b (the file in other letters); port 1: c (none), d (alias).
    const char* names[2][2] = {{"a", "b"}, {"c", "d"}};
    for (int port = 0; port < 2; ++port) {
        auto made = std::make_unique<CCommPort>();
        for (int m = 0; m < 2; ++m) {
            auto* motor = new CMotor;
            motor->Name = names[port][m];
            motor->Address = m + 1;
            made->motors.Add(motor);
        }
        ASSERT_TRUE(p.AddPort(std::move(made)));
    }
    ASSERT_TRUE(p.Port(0)->motors.GetAt(0)->AddAssociatedFile(dir / "Other.tqs"));
    std::string upper = file;
    upper.replace(upper.size() - 8, 8, "MOVE.TQS");
    ASSERT_TRUE(p.Port(0)->motors.GetAt(1)->AddAssociatedFile(upper));
    ASSERT_TRUE(p.Port(1)->motors.GetAt(1)->AddAssociatedFile(alias));
    std::vector<std::string> walked;
    for (CMotor* m = p.FindMotorByFile(file); m; m = p.FindMotorByFile(file, m))
        walked.push_back(m->Name);
    EXPECT_EQ(walked, (std::vector<std::string>{"b", "d"}));
    EXPECT_EQ(p.FindMotorByFile(file, p.Port(1)->motors.GetAt(1)), nullptr) << "none after the last";
    EXPECT_EQ(p.FindMotorByFile(dir / "Nowhere.tqs"), nullptr);
    CMotor stranger;
    EXPECT_EQ(p.FindMotorByFile(file, &stranger), nullptr) << "a motor of no port of the project";
}
