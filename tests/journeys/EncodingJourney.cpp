// One text rule through the program: a port name stored with an 8-bit character (Windows-1252
// "ö") shows as that letter in the terminal's tab, the configuration tree and the analyzer's tab,
// a typed "Ä" goes to the motors as its one byte and comes back as the letter, and the project is
// saved with the name's bytes as they were.

#include "JourneyRig.h"

#include "app/setup/gui/AnalyzerWnd.h"

#include <QTabBar>

#include <fstream>
#include <memory>
#include <iterator>

class EncodingJourney : public Journey {};

TEST_F(EncodingJourney, AnEightBitNameThroughTreeTerminalAnalyzerAndTheSavedProject)
{
    JourneyStart start;
    start.portName = "F\xf6rderband";
    ASSERT_TRUE(Start(start));
    const QString name = QString::fromUtf8("F\u00f6rderband");
    EXPECT_EQ(Terminal().Tabs()->tabText(0), name);
    EXPECT_TRUE(TreeText(0).startsWith(name + QLatin1Char(' '))) << TreeText(0).toStdString();
    auto* analyzer = static_cast<CSerialDataAnalyzerWnd*>(frame->AnalyzerBar()->widget());
    ASSERT_NE(analyzer, nullptr);
    auto* analyzerTabs = analyzer->findChild<QTabBar*>();
    ASSERT_NE(analyzerTabs, nullptr);
    EXPECT_EQ(analyzerTabs->tabText(0), name);

    // Typed, sent as one byte, echoed back by the chain and shown as the letter.
    auto heard = std::make_shared<std::string>();
    Motor(0, [heard](vqxsim::SimMotor& m) {
        m.rawInputHook = [heard](vqxsim::SimMotor&, uint8_t byte) {
            heard->push_back(static_cast<char>(byte));
            return false;
        };
        return 0;
    });
    const int before = TerminalText().size();
    Type(QString::fromUtf8("x=\u00c4"));
    EXPECT_TRUE(WaitFor([&] { return Motor(0, [heard](vqxsim::SimMotor&) { return heard->find("x=\xc4") != std::string::npos; }); }))
        << Motor(0, [heard](vqxsim::SimMotor&) { return *heard; });
    EXPECT_TRUE(TerminalText().mid(before).contains(QString::fromUtf8("x=\u00c4")));

    // Saved: the name's bytes as they were (never UTF-8).
    frame->Project().Save();
    std::ifstream in(ProjectFile(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("F\xf6rderband"), std::string::npos);
    EXPECT_EQ(bytes.find("F\xc3\xb6rderband"), std::string::npos);
    Snapshot(frame, "encoding-journey");
}
