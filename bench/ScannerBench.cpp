// Compile time of a 10,000-line motor program (scan, layout and writer), in lines per second, and
// of hostile sources (the inputs of the compiler's hostile-input tests, which check only that
// they end): their time should stay in proportion to their size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scanner/LanguageTable.h"
#include "scanner/Scanner.h"

namespace {

constexpr int kLines = 10000;

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
        std::fprintf(stderr, "language table: %s\n", error.c_str());
    return LanguageOfTable(table);
}

void BM_Compile10000Lines(benchmark::State& state)
{
    const std::string text = Program();
    CScanner scanner;
    scanner.SetLanguage(TableLanguage());
    scanner.Errors().Init(1000, 1000);
    for (auto _ : state) {
        scanner.Scan(text, "");
        scanner.LayoutProgram();
        benchmark::DoNotOptimize(scanner.Checksum());
    }
    if (scanner.Errors().GetCount() != 0)
        state.SkipWithError("the benchmark program does not compile cleanly");
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(kLines) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
    state.counters["lines"] = static_cast<double>(kLines);
}
BENCHMARK(BM_Compile10000Lines)->Unit(benchmark::kMillisecond);

// The hostile sources, by number: what each is and its text.
struct HostileSource {
    const char* what;
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

void BM_CompileHostileSource(benchmark::State& state)
{
    const HostileSource source = HostileSources()[static_cast<size_t>(state.range(0))];
    CScanner scanner;
    scanner.SetLanguage(TableLanguage());
    scanner.Errors().Init(1000, 1000);
    for (auto _ : state) {
        scanner.Scan(source.text, "");
        benchmark::DoNotOptimize(scanner.Errors().GetCount());
    }
    state.SetLabel(source.what);
    state.counters["bytes/s"] = benchmark::Counter(static_cast<double>(source.text.size()) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CompileHostileSource)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
