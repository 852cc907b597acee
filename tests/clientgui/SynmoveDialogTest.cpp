// Synmove's dialog, headless: its settings in the "Setup" profile section, the setup area, the
// file choice and the editor, the close paths with their broadcasts, and a run through the
// engine library against simulated motors with the close guard and Stop.
#include "synmove/gui/SynmoveDlg.h"

#include "platform/registry/Profile.h"
#include "platform/paths/Paths.h"
#include "samples/common/gui/ProgramIcon.h"
#include "samples/common/gui/SuiteBroadcast.h"
#include "tests/clients/ClientRig.h"
#include "tests/common/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <mutex>

using namespace synmove;

namespace {

// A listener of the suite's broadcasts on a thread of its own (a broadcast waits for answers).
class HeardMessages {
public:
    HeardMessages()
    {
        m_listener = new vqxclient::SuiteListener("test");
        m_listener->moveToThread(&m_thread);
        QObject::connect(m_listener, &vqxclient::SuiteListener::received, m_listener,
                         [this](const QString& m) {
                             std::lock_guard<std::mutex> lock(m_mutex);
                             m_heard += m + " ";
                         },
                         Qt::DirectConnection);
        QObject::connect(&m_thread, &QThread::finished, m_listener, &QObject::deleteLater);
        m_thread.start();
    }
    ~HeardMessages()
    {
        m_thread.quit();
        m_thread.wait();
    }
    std::string Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_heard, {}).toStdString();
    }

private:
    QThread m_thread;
    vqxclient::SuiteListener* m_listener;
    std::mutex m_mutex;
    QString m_heard;
};

class SynmoveDialog : public ::testing::Test {
protected:
    SynmoveDialog()
    {
        // Broadcasts stay among this test's programs.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    }
    std::unique_ptr<CSynmoveDlg> Open()
    {
        auto dlg = std::make_unique<CSynmoveDlg>(profile, [] { return vqxclient::CreateEngineHost(true); });
        dlg->showError = [this](const QString& title, const QString& text) {
            messages.push_back((title + ": " + text).toStdString());
        };
        dlg->askYesNo = [this](const QString& text) {
            messages.push_back(("Warning!: " + text).toStdString());
            return true;
        };
        dlg->openInEditor = [this](const QString& path) {
            edited.push_back(path.toStdString());
            return true;
        };
        dlg->show();
        return dlg;
    }
    template <class T>
    static T* Find(QWidget* dlg, const char* name)
    {
        T* w = dlg->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Choose(CSynmoveDlg& dlg, const std::string& path)
    {
        dlg.chooseFile = [path] { return QString::fromStdString(path); };
        QTest::mouseClick(Find<QPushButton>(&dlg, "browse"), Qt::LeftButton);
    }

    TempFolder runtime;
    TempFolder folder;
    platform::Registry registry{folder / "user.reg", folder / "machine.reg"};
    platform::Profile profile{&registry, "Korvessan", "Synmove"};
    std::vector<std::string> messages;
    std::vector<std::string> edited;
};

TEST_F(SynmoveDialog, DefaultsAndTheSetupArea)
{
    HeardMessages heard;
    auto dlg = Open();
    EXPECT_EQ(heard.Take(), "VQXSuspendMsg ");
    // First start with an empty profile.
    EXPECT_TRUE(Find<QRadioButton>(dlg.get(), "moveToOrigin")->isChecked());
    EXPECT_EQ(Find<QComboBox>(dlg.get(), "port")->currentText(), "Com1");
    EXPECT_EQ(Find<QSpinBox>(dlg.get(), "v")->value(), 100000);
    EXPECT_EQ(Find<QSpinBox>(dlg.get(), "a")->value(), 100);
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(Find<QSpinBox>(dlg.get(), QString("column%1").arg(k).toLatin1())->value(), k);
    EXPECT_FALSE(Find<QPushButton>(dlg.get(), "stop")->isEnabled());

    // Collapsed at 20/33 of the full height; Setup twice returns there.
    const int full = dlg->FullHeight();
    EXPECT_EQ(dlg->height(), 20 * full / 33);
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "setup"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Animating(); }, 5000));
    EXPECT_EQ(dlg->height(), full);
    EXPECT_TRUE(dlg->Expanded());
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "setup"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Animating(); }, 5000));
    EXPECT_EQ(dlg->height(), 20 * full / 33);
}

TEST_F(SynmoveDialog, FileChoiceEditorAndRefusedFiles)
{
    auto dlg = Open();
    // Run without a chosen file does nothing, even with typed text; Edit neither.
    Find<QLineEdit>(dlg.get(), "fileName")->setText("/typed/path.syn");
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "run"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "edit"), Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(edited.empty());
    EXPECT_FALSE(dlg->Run().Running());

    // A chosen file with blanks and quotes goes to the editor as one argument; a bad file is
    // refused with its message and line.
    const std::string path = folder / "my \"odd\" file; rm -rf.syn";
    std::ofstream(path) << "0\t0\n100\t64\n100\t100\n";
    Choose(*dlg, path);
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), "fileName")->text().toStdString(), path);
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "edit"), Qt::LeftButton);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0], path);
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "run"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error: Invalid time delta in line 2!");
    Find<QSpinBox>(dlg.get(), "column3")->setValue(1);
    std::ofstream(path) << "0\t0\n100\t64\n";
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "run"), Qt::LeftButton);
    EXPECT_EQ(messages.back(), "Error: Duplicate motor address!(1 and 3)");

    // A typed address outside 1..6 stays in its field for the run to name; the arrows keep to 1..6.
    auto* column3 = Find<QSpinBox>(dlg.get(), "column3");
    column3->selectAll();
    QTest::keyClicks(column3, "7");
    column3->interpretText();
    EXPECT_EQ(column3->value(), 7);
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "run"), Qt::LeftButton);
    EXPECT_EQ(messages.back(), "Error: Invalid motor address!(7)");
    column3->stepBy(-1);
    EXPECT_EQ(column3->value(), 6);
    column3->stepBy(9);
    EXPECT_EQ(column3->value(), 6);
    column3->stepBy(-9);
    EXPECT_EQ(column3->value(), 1);
    for (const char* name : {"run", "stop", "edit", "setup", "help", "close"})
        EXPECT_FALSE(Find<QPushButton>(dlg.get(), name)->icon().isNull()) << name;
}

TEST_F(SynmoveDialog, SettingsAreSavedByCloseAndKeptByEscape)
{
    HeardMessages heard;
    auto dlg = Open();
    // "Start from current positioin" disables V and A; Close saves the settings and says "resume".
    Find<QRadioButton>(dlg.get(), "fromCurrent")->setChecked(true);
    EXPECT_FALSE(Find<QSpinBox>(dlg.get(), "v")->isEnabled());
    Find<QComboBox>(dlg.get(), "port")->setCurrentIndex(2);
    Find<QSpinBox>(dlg.get(), "v")->setValue(-5);
    Find<QSpinBox>(dlg.get(), "column1")->setValue(2);
    Find<QSpinBox>(dlg.get(), "column2")->setValue(1);
    heard.Take();
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "close"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.Take().empty(); }, 5000)) << "VQXResumeMsg";
    const auto key = "Software\\Korvessan\\Synmove\\Setup";
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "PIOrigin"), 0u);
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "PortIndex"), 2u);
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "V"), uint32_t(-5));
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "MM1"), 2u);
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "MM2"), 1u);

    // Reopened: the saved settings; PIOrigin 2 also means "Start from current positioin".
    registry.SetDword(platform::RegHive::CurrentUser, key, "PIOrigin", 2);
    auto again = Open();
    EXPECT_TRUE(Find<QRadioButton>(again.get(), "fromCurrent")->isChecked());
    EXPECT_FALSE(Find<QSpinBox>(again.get(), "a")->isEnabled());
    EXPECT_EQ(Find<QComboBox>(again.get(), "port")->currentText(), "Com3");
    EXPECT_EQ(Find<QSpinBox>(again.get(), "column1")->value(), 2);
    // Escape keeps the profile as it was and says nothing.
    Find<QComboBox>(again.get(), "port")->setCurrentIndex(0);
    heard.Take();
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_FALSE(again->isVisible());
    EXPECT_EQ(registry.GetDword(platform::RegHive::CurrentUser, key, "PortIndex"), 2u);
    QTest::qWait(200);
    EXPECT_EQ(heard.Take(), "") << "no resume message";
}

} // namespace

namespace {

TEST_F(SynmoveDialog, ARunIsGuardedAgainstClosingAndStopsOnStop)
{
    REQUIRE_SYNMOVE();
    ClientRig rig(3, ClientRig::Kind::HostMode);
    std::ofstream out(folder / "long.syn");
    for (int i = 0; i < 400; ++i)
        out << 10 * i << '\t' << -10 * i << '\t' << 5 * i << '\t' << 512 * (i + 1) << '\n';
    out.close();
    auto dlg = Open();
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "setup"), Qt::LeftButton); // expanded: a run collapses it
    Choose(*dlg, folder / "long.syn");
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "run"), Qt::LeftButton);
    ASSERT_TRUE(dlg->Run().Running()) << (messages.empty() ? "" : messages.front());
    EXPECT_FALSE(dlg->Expanded());
    EXPECT_TRUE(Find<QPushButton>(dlg.get(), "stop")->isEnabled());
    for (const char* name : {"run", "browse", "edit", "setup", "help", "close"})
        EXPECT_FALSE(Find<QPushButton>(dlg.get(), name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QLineEdit>(dlg.get(), "fileName")->isEnabled());

    // The totals, then progress while the motors play.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QLineEdit>(dlg.get(), "totalRecords")->text() == "400" || !messages.empty(); }, 30000));
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), "motors")->text(), "3");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QLineEdit>(dlg.get(), "currentRecord")->text().toInt() >= 3; }, 30000));
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), "timeDelta")->text(), "512");

    // Closing is refused while the motors run, by the close box and by Escape.
    dlg->close();
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Error!: You must stop the motors before closing this application!");

    QTest::mouseClick(Find<QPushButton>(dlg.get(), "stop"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QPushButton>(dlg.get(), "run")->isEnabled(); }, 30000));
    EXPECT_FALSE(dlg->Run().Running());
    EXPECT_FALSE(Find<QPushButton>(dlg.get(), "stop")->isEnabled());
    EXPECT_EQ(messages.size(), 2u) << "Stop shows no message";
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(rig.Logged(k, "S"));
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "close"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
}

} // namespace

TEST_F(SynmoveDialog, HelpOpensItsGuidePageAboutShowsTheVersionAndTheWindowHasItsIcon)
{
    vqxclient::UseProgramIcon("synmove");
    auto dlg = Open();
    const QImage shown = dlg->windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(shown.isNull()) << "the drawing is read";
    EXPECT_EQ(shown, vqxclient::ProgramIcon("synmove").pixmap(32, 32).toImage());
    EXPECT_NE(shown, vqxclient::ProgramIcon("jogger").pixmap(32, 32).toImage());

    // Help: Synmove's page of the guide shipped in the program folder.
    std::vector<std::string> opened;
    dlg->openHelp = [&](const QString& page) {
        opened.push_back(page.toStdString());
        return true;
    };
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "help"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(opened[0], platform::AppFolder() + "/help/Synmove/index.htm");
    EXPECT_TRUE(std::filesystem::is_regular_file(opened[0]));
    EXPECT_TRUE(messages.empty());
    // A desktop that cannot show it: the message of old.
    dlg->openHelp = [](const QString&) { return false; };
    QTest::mouseClick(Find<QPushButton>(dlg.get(), "help"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error!: Cannot run Help!");

    // About, from the dialog's own menu.
    QAction* about = dlg->findChild<QAction*>("16");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "&About Synmove...");
    EXPECT_TRUE(dlg->actions().contains(about));
    QString version;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), "100");
        version = box->findChild<QLabel*>("version")->text();
        if (const QString folder = qEnvironmentVariable("VQX_SNAPSHOT_DIR"); !folder.isEmpty())
            box->grab().save(folder + "/synmove-about.png");
        QTest::keyClick(box, Qt::Key_Return);
    });
    about->trigger();
    EXPECT_EQ(version, "Synmove Version 1.101");
}
