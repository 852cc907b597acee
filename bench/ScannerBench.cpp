// Compile time of a 10,000-line motor program (scan, layout and writer), in lines per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

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

} // namespace

BENCHMARK_MAIN();
