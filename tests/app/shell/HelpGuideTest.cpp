// The user guide shipped in the program folder against the topics the programs open: every topic
// path any program's code names is a known topic, every known topic is a page of the staged guide
// with its anchor, every link of every page leads to a page (and anchor) that exists, and the
// keyword index holds every keyword of the language, as the editor's F1 looks it up.

#include "app/shell/HelpTopics.h"
#include "platform/paths/Paths.h"
#include "scanner/LanguageTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path Guide() { return fs::path(platform::AppFolder()) / "help"; }

// The source folder of this build, as CMake recorded it beside the test programs.
fs::path SourceRoot()
{
    fs::path dir = fs::read_symlink("/proc/self/exe").parent_path();
    for (int up = 0; up < 4 && !dir.empty(); ++up, dir = dir.parent_path()) {
        const std::string cache = Read(dir / "CMakeCache.txt");
        std::smatch m;
        if (std::regex_search(cache, m, std::regex("CMAKE_HOME_DIRECTORY:INTERNAL=([^\\n]*)")))
            return fs::path(m[1].str());
    }
    return {};
}

// The anchors (id and name attributes) of each page, read once.
const std::set<std::string>& Anchors(const fs::path& page)
{
    static std::map<fs::path, std::set<std::string>> cache;
    auto [it, fresh] = cache.try_emplace(page);
    if (fresh) {
        const std::string text = Read(page);
        const std::regex attribute("\\s(?:id|name)=\"([^\"]*)\"");
        for (auto m = std::sregex_iterator(text.begin(), text.end(), attribute); m != std::sregex_iterator(); ++m)
            it->second.insert((*m)[1].str());
    }
    return it->second;
}

// "" when the page (and its anchor) exists, else what is missing.
std::string Missing(const fs::path& page, const std::string& anchor)
{
    if (!fs::is_regular_file(page))
        return "no page " + page.string();
    if (!anchor.empty() && !Anchors(page).count(anchor))
        return "no anchor #" + anchor + " in " + page.string();
    return {};
}

// The words of a piece of a page, its markup dropped.
std::vector<std::string> Words(const std::string& html)
{
    const std::string text = std::regex_replace(html, std::regex("<[^>]*>"), " ");
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// What a reader gets at a page's anchor: the body without the link to the contents and the title,
// from the anchor to the next one. "" when that is real text, else why it is a stub.
std::string Stub(const fs::path& page, const std::string& anchor)
{
    std::string body = Read(page);
    const size_t start = body.find("<body>");
    body = body.substr(start == std::string::npos ? 0 : start);
    body = std::regex_replace(body, std::regex("<p class=\"nav\">.*?</p>|<h1>[^<]*</h1>"), " ");
    if (!anchor.empty()) {
        const size_t at = body.find("id=\"" + anchor + "\"");
        if (at == std::string::npos)
            return "no anchor";
        const size_t next = body.find(" id=\"", at + 1);
        body = body.substr(at, next == std::string::npos ? std::string::npos : next - at);
    }
    const std::vector<std::string> words = Words(body);
    if (!words.empty() && words[0] == "See" && words.size() < 30)
        return "only a \"See\" link: " + std::to_string(words.size()) + " words";
    if (words.size() < (anchor.empty() ? 25u : 15u))
        return "only " + std::to_string(words.size()) + " words";
    return {};
}

bool Known(const std::string& topic)
{
    const auto& known = help::KnownTopics();
    return std::find(known.begin(), known.end(), topic) != known.end();
}

} // namespace

TEST(HelpGuide, EveryKnownTopicIsAPageOfTheGuideAtItsAnchor)
{
    ASSERT_TRUE(fs::is_directory(Guide())) << Guide();
    for (const std::string& topic : help::KnownTopics()) {
        const auto [path, anchor] = help::SplitAnchor(topic);
        EXPECT_EQ(Missing(Guide() / help::TopicPage(topic), anchor), "") << topic;
    }
    // How topic paths of the code map to pages.
    EXPECT_EQ(help::TopicPage("::/VQXUsersGuide\\Dialogs\\NewPort.htm#MotorsPage"), "VQXUsersGuide/Dialogs/NewPort.htm");
    EXPECT_EQ(help::TopicPage("VQXUsersGuide\\Options\\SDA.htm"), "VQXUsersGuide/Options/SDA.htm");
    EXPECT_EQ(help::TopicPage("::/\\index.htm"), "index.htm");
    EXPECT_EQ(help::SplitAnchor("a.htm#b#c").second, "b#c");
    EXPECT_EQ(help::WindowTopic(339), "VQXUsersGuide/Terminal.htm");
    EXPECT_EQ(help::WindowTopic(183), "183.htm");
}

// The page F1 or the Help button opens for each window, dialog page and box by its template or help
// id: a page of the guide at the anchor that describes it, or a numbered page of its own; each
// holds its text there, not a link on to it.
TEST(HelpGuide, EveryNumberedTopicOpensItsTextDirectly)
{
    const struct {
        int id;
        const char* page;
        const char* anchor;
    } cases[] = {
        {113, "VQXUsersGuide/GettingStarted.htm", "Welcome"},       // the welcome box
        {147, "VQXUsersGuide/ConfigurationView.htm", ""},           // the configuration bar
        {167, "167.htm", ""},                                       // Macro Properties
        {168, "168.htm", ""},                                       // Macros
        {170, "VQXUsersGuide/Options/Scanner.htm", ""},             // the options' pages
        {175, "VQXUsersGuide/Options/Editor.htm", ""},
        {177, "VQXUsersGuide/Options/Terminal.htm", ""},
        {186, "VQXUsersGuide/Options/Advanced.htm", ""},
        {174, "VQXUsersGuide/Tools/ChartView.htm", ""},             // the tool windows
        {195, "VQXUsersGuide/Tools/MonitorWindow.htm", ""},
        {259, "VQXUsersGuide/Tools/Playground.htm", ""},
        {178, "VQXUsersGuide/SerialDataAnalyzer.htm", ""},          // the bars
        {336, "VQXUsersGuide/InformationView.htm", ""},
        {339, "VQXUsersGuide/Terminal.htm", ""},
        {176, "176.htm", ""},                                       // the network motor's boxes
        {179, "179.htm", ""},
        {181, "181.htm", ""},
        {182, "182.htm", ""},
        {183, "183.htm", ""},
        {184, "184.htm", ""},
        {187, "187.htm", ""},
        {188, "188.htm", ""},
        {189, "189.htm", ""},
        {185, "185.htm", ""},                                       // the lock-up recovery wizard
        {206, "VQXUsersGuide/CommunicationWizard.htm", "Welcome"},  // the setup wizard's pages
        {207, "VQXUsersGuide/CommunicationWizard.htm", "Ports"},
        {208, "VQXUsersGuide/CommunicationWizard.htm", "Bus"},
        {209, "VQXUsersGuide/CommunicationWizard.htm", "Finished"},
        {222, "VQXUsersGuide/CommunicationWizard.htm", "Decision"},
        {284, "284.htm", ""},                                       // Set Motor Address
        {330, "VQXUsersGuide/Dialogs/NewProject.htm", "GeneralPage"}, // the project and port pages
        {331, "VQXUsersGuide/Dialogs/NewProject.htm", "PortsPage"},
        {332, "VQXUsersGuide/Dialogs/NewPort.htm", "PortPage"},
        {333, "VQXUsersGuide/Dialogs/NewPort.htm", "MotorsPage"},
    };
    std::set<int> listed;
    for (const auto& c : cases) {
        listed.insert(c.id);
        const std::string topic = help::WindowTopic(c.id);
        const auto [path, anchor] = help::SplitAnchor(topic);
        EXPECT_EQ(help::TopicPage(topic), c.page) << c.id;
        EXPECT_EQ(anchor, c.anchor) << c.id;
        EXPECT_TRUE(Known(topic)) << c.id;
        const fs::path page = Guide() / help::TopicPage(topic);
        ASSERT_EQ(Missing(page, anchor), "") << c.id;
        EXPECT_EQ(Stub(page, anchor), "") << c.id << ": " << topic;
        // A numbered topic asked for by its number ("174.htm") opens the same place.
        const std::string numbered = std::to_string(c.id) + ".htm";
        EXPECT_EQ(help::ResolveTopic(numbered), topic) << c.id;
        EXPECT_EQ(help::ResolveTopic("::/" + numbered), topic) << c.id;
    }
    for (int id : help::NumberedTopics())
        EXPECT_TRUE(listed.count(id)) << id << " is a topic this table does not list";
    EXPECT_EQ(listed.size(), help::NumberedTopics().size());
    // Other topics resolve to themselves; a numbered page of its own keeps its anchor.
    for (const std::string& other : {std::string("index.htm#keywords"), std::string("::/VQXUsersGuide\\Dialogs\\NewPort.htm"),
                                     std::string("1x.htm"), std::string(".htm"), std::string("99999999999.htm")})
        EXPECT_EQ(help::ResolveTopic(other), other);
    EXPECT_EQ(help::ResolveTopic("183.htm#x"), "183.htm#x");
    EXPECT_EQ(help::ResolveTopic("209.htm#x"), "VQXUsersGuide/CommunicationWizard.htm#Finished");
}

TEST(HelpGuide, NoPageOfTheGuideIsAStub)
{
    int pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Guide())) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        EXPECT_EQ(Stub(entry.path(), ""), "") << entry.path();
    }
    EXPECT_GT(pages, 40);
}

TEST(HelpGuide, EveryLinkOfEveryPageLeadsToAPageAndAnchorThatExist)
{
    const std::regex link("href=\"([^\"]*)\"");
    int pages = 0, links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Guide())) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        const std::string text = Read(entry.path());
        EXPECT_NE(text.find("<title>"), std::string::npos) << entry.path();
        for (auto m = std::sregex_iterator(text.begin(), text.end(), link); m != std::sregex_iterator(); ++m) {
            const std::string target = (*m)[1].str();
            if (target.rfind("http", 0) == 0)
                continue;
            ++links;
            const size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
            const fs::path page = file.empty() ? entry.path() : entry.path().parent_path() / file;
            EXPECT_EQ(Missing(page, anchor), "") << entry.path() << " links " << target;
        }
    }
    EXPECT_GT(pages, 40);
    EXPECT_GT(links, 100);
}

TEST(HelpGuide, KeywordIndexHoldsEveryKeywordOfTheLanguage)
{
    CLanguageTable table;
    std::string error;
    ASSERT_TRUE(LoadLanguageTable((SourceRoot() / "scanner/language/MotorLanguage.tbl").string(), table, error))
        << error;
    int keywords = 0;
    for (const CLanguageRow& row : table.rows) {
        if (row.name.empty() || row.name.find_first_of("<>&\"") != std::string::npos)
            continue;
        ++keywords;
        EXPECT_EQ(Missing(Guide() / "index.htm", row.name), "") << row.name;
        EXPECT_EQ(Missing(Guide() / "ProgrammersGuide/Language.htm", row.name), "") << row.name;
    }
    EXPECT_GT(keywords, 50);
}

TEST(HelpGuide, EveryTopicTheCodeNamesIsKnown)
{
    const fs::path root = SourceRoot();
    ASSERT_TRUE(fs::is_directory(root / "app")) << root;
    // Topic texts in string literals, and the numbers that become "<n>.htm": dialog pages by their
    // template, choice boxes by their help id.
    const std::regex literal("\"((?:::/)?[A-Za-z0-9_\\\\/]+\\.htm(?:#[A-Za-z0-9_]+)?)\"");
    const std::regex numbered("CPageDlgItem\\((\\d+)\\)|helpId = ([1-9]\\d*)|ShowHelpTopic\\(\"(\\d+)\\.htm\"|"
                              "Choice\\([^;]*?, (\\d{3}), (?:next|0), \\{");
    int found = 0;
    for (const char* folder : {"app", "core", "synmove", "samples"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h")
                continue;
            const std::string text = Read(entry.path());
            if (entry.path().stem() == "HelpTopics")
                continue;
            // Only files that can name a topic are searched (the searches are slow on big files).
            if (text.find(".htm") == std::string::npos && text.find("helpId") == std::string::npos &&
                text.find("CPageDlgItem(") == std::string::npos)
                continue;
            for (auto m = std::sregex_iterator(text.begin(), text.end(), literal); m != std::sregex_iterator(); ++m) {
                std::string topic = (*m)[1].str();
                ++found;
                std::string unescaped;
                for (size_t i = 0; i < topic.size(); ++i)
                    if (!(topic[i] == '\\' && i + 1 < topic.size() && topic[i + 1] == '\\'))
                        unescaped += topic[i];
                // A bare page name is a page of the Dialogs folder, named apart from its folder (the
                // ports page puts the folder before it).
                const bool bare = unescaped.find_first_of("/\\") == std::string::npos;
                const bool known = Known(unescaped) || (bare && Known("::/VQXUsersGuide\\Dialogs\\" + unescaped));
                EXPECT_TRUE(known) << entry.path() << ": " << unescaped;
            }
            for (auto m = std::sregex_iterator(text.begin(), text.end(), numbered); m != std::sregex_iterator(); ++m) {
                for (size_t g = 1; g < m->size(); ++g)
                    if ((*m)[g].matched) {
                        ++found;
                        EXPECT_TRUE(Known(help::WindowTopic(std::stoi((*m)[g].str())))) << entry.path() << ": " << (*m)[g].str();
                    }
            }
        }
    }
    EXPECT_GT(found, 30);
}
