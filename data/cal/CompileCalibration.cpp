// vqx-compile-cal: compiles one of the calibration programs the suite ships for the Quintaloc
// firmware, with the suite's own compiler and the language of the language table, the compiled
// header made for that firmware.
//   vqx-compile-cal TABLE VERSION SOURCE OUTPUT
#include "scanner/LanguageTable.h"
#include "scanner/Scanner.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: vqx-compile-cal TABLE VERSION SOURCE OUTPUT\n");
        return 2;
    }
    CLanguageTable table;
    std::string error;
    if (!LoadLanguageTable(argv[1], table, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    CLanguage language = LanguageOfTable(table);
    language.Version = argv[2];
    language.HeaderVersion = argv[2];
    std::ifstream in(argv[3], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[3]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CScanner scanner;
    scanner.InsertMarker = false;
    scanner.SetLanguage(language);
    scanner.Scan(text, argv[2], false, true, argv[3]);
    for (const CError& e : scanner.Errors().Items())
        std::fprintf(stderr, "%s:%d: %d %s\n", argv[3], e.line + 1, e.code, e.message.c_str());
    if (scanner.Errors().GetErrorCount() != 0 || !scanner.WriteCompiled(argv[4])) {
        std::fprintf(stderr, "%s: not compiled\n", argv[3]);
        return 1;
    }
    return 0;
}
