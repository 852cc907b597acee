#include "bench/CompileCases.h"

#include "scanner/LanguageTable.h"
#include "scanner/Scanner.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr int kLines = 10000;
constexpr double kWarmTarget = 0.010;
constexpr double kFreshTarget = 0.025;
constexpr int kWarmRuns = 30;
constexpr int kFreshRuns = 7;

// A program of exactly kLines lines mixing the statement forms of real programs.
std::string Program()
{
    std::string text;
    int lines = 0;
    auto add = [&](const std::string& line) {
        text += line;
        text += "\r\n";
        ++lines;
    };
    for (int block = 0; lines + 12 <= kLines - 1; ++block) {
        const std::string n = std::to_string(block % 1000);
        add("C" + n + std::string(" ' block ").append(std::to_string(block)));
        add("  a=a+1 b=@P-p c=al[a]*2");
        add("  IF a>100");
        add("    V=1000 A=200 P=a*2 G");
        add("  ELSEIF a<0");
        add("    PRINT(\"negative \",a,#13)");
        add("  ELSE");
        add("    WHILE b<10 b=b+1 LOOP");
        add("  ENDIF");
        add("  SWITCH c CASE 1 MP CASE 2 MV DEFAULT OFF ENDS");
        add("  ab[3]=-5 aw[b]=CLK OCHN(RS2,0,N,9600,1,8,C)");
        add("  GOSUB" + n);
    }
    while (lines < kLines - 1)
        add("G");
    add("END");
    return text;
}

CLanguage TableLanguage()
{
    CLanguageTable table;
    std::string error;
    if (!LoadLanguageTable(VQX_LANGUAGE_TABLE_PATH, table, error))
        throw std::runtime_error("language table: " + error);
    return LanguageOfTable(table);
}

// Seconds for one scan and layout.
double CompileSeconds(CScanner& scanner, const std::string& text)
{
    const auto start = std::chrono::steady_clock::now();
    scanner.Scan(text, "");
    scanner.LayoutProgram();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (scanner.Errors().GetCount() != 0)
        throw std::runtime_error("the benchmark program does not compile cleanly");
    return s;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Result Warm()
{
    const std::string text = Program();
    CScanner scanner;
    scanner.SetLanguage(TableLanguage());
    scanner.Errors().Init(1000, 1000);
    std::vector<double> runs;
    for (int i = 0; i < kWarmRuns; ++i)
        runs.push_back(CompileSeconds(scanner, text));
    Result r;
    r.measured = Median(runs);
    r.target = kWarmTarget;
    r.note = "median of " + std::to_string(kWarmRuns) + " runs; fastest " +
             std::to_string(*std::min_element(runs.begin(), runs.end()) * 1000.0).substr(0, 5) + " ms";
    return r;
}

Result Fresh(const std::string& self)
{
    std::vector<double> runs;
    for (int i = 0; i < kFreshRuns; ++i) {
        FILE* child = popen(("'" + self + "' --compile-once").c_str(), "r");
        if (!child)
            throw std::runtime_error("cannot start a fresh process");
        double seconds = -1;
        if (std::fscanf(child, "%lf", &seconds) != 1)
            seconds = -1;
        if (pclose(child) != 0 || seconds < 0)
            throw std::runtime_error("the fresh process did not compile");
        runs.push_back(seconds);
    }
    Result r;
    r.measured = Median(runs);
    r.target = kFreshTarget;
    r.note = "median of " + std::to_string(kFreshRuns) + " processes, each timing its first compile";
    return r;
}

// The inputs of the compiler's hostile-input tests, which check only that the compiler ends:
// their time should stay in proportion to their size (no target; bytes per second printed).
struct HostileSource {
    std::string what;
    std::string text;
};

std::vector<HostileSource> HostileSources()
{
    std::vector<HostileSource> sources;
    std::string lines;
    for (int i = 0; i < 9999; ++i)
        lines += "a=a+1 IF a>5 PRINT(\"x\",a,#13) ENDIF\n";
    sources.push_back({"10000 lines with conditions", lines + "END\n"});
    std::string errors;
    for (int i = 0; i < 9000; ++i)
        errors += "foo bar\n";
    sources.push_back({"9000 lines of errors", errors});
    std::string nested;
    for (int i = 0; i < 3000; ++i)
        nested += "WHILE a\nIF b\nSWITCH c\n";
    sources.push_back({"9000 open flow structures", nested});
    sources.push_back({"100000 open brackets", "a=" + std::string(100000, '(') + "\nEND"});
    sources.push_back({"a 200000-byte string", "PRINT(\"" + std::string(200000, 'x') + "\")\nEND"});
    return sources;
}

Result Hostile(const std::string& text)
{
    constexpr int kRuns = 9;
    CScanner scanner;
    scanner.SetLanguage(TableLanguage());
    scanner.Errors().Init(1000, 1000);
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        scanner.Scan(text, "");
        runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    Result r;
    r.measured = Median(runs);
    char note[96];
    std::snprintf(note, sizeof note, "median of %d scans of %zu bytes; %.1f MB/s", kRuns, text.size(),
                  static_cast<double>(text.size()) / r.measured / 1e6);
    r.note = note;
    return r;
}

} // namespace

int CompileOnce()
{
    try {
        const std::string text = Program();
        CScanner scanner;
        scanner.SetLanguage(TableLanguage());
        scanner.Errors().Init(1000, 1000);
        std::printf("%.6f\n", CompileSeconds(scanner, text));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

std::vector<Case> CompileCases(const char* self)
{
    const std::string path = self;
    std::vector<Case> cases{{"compile 10,000 lines, warm", [] { return Warm(); }},
                            {"compile 10,000 lines, fresh process", [path] { return Fresh(path); }}};
    for (HostileSource& source : HostileSources())
        cases.push_back({"compile hostile: " + source.what, [text = std::move(source.text)] { return Hostile(text); }});
    return cases;
}

} // namespace bench
