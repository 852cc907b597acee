// vqx-mklang: writes a language file (.sld) from the text table of the language, or stages the user
// guide with the language reference and keyword index made from the same table.
//   vqx-mklang [--version TEXT --header HHH --comments TEXT] TABLE OUTPUT.sld
//     (the options give the file of another firmware version the same keyword table)
//   vqx-mklang --help-pages TABLE GUIDE_SOURCE OUTPUT_FOLDER
#include <cstdio>
#include <cstring>

#include "scanner/HelpPages.h"
#include "scanner/LanguageTable.h"

int main(int argc, char** argv)
{
    // Leading "--version", "--header" and "--comments" replace the table's own header fields.
    std::string version, header, comments;
    while (argc >= 5 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "--header") == 0 ||
                         std::strcmp(argv[1], "--comments") == 0)) {
        (std::strcmp(argv[1], "--version") == 0 ? version : std::strcmp(argv[1], "--header") == 0 ? header : comments) =
            argv[2];
        argv += 2;
        argc -= 2;
    }
    const bool helpPages = argc == 5 && std::strcmp(argv[1], "--help-pages") == 0;
    if (argc != 3 && !helpPages) {
        std::fprintf(stderr, "usage: vqx-mklang [--version V --header H --comments C] TABLE OUTPUT.sld\n       vqx-mklang --help-pages TABLE GUIDE_SOURCE OUTPUT\n");
        return 2;
    }
    const char* tablePath = argv[helpPages ? 2 : 1];
    CLanguageTable table;
    std::string error;
    if (!LoadLanguageTable(tablePath, table, error)) {
        std::fprintf(stderr, "%s: %s\n", tablePath, error.c_str());
        return 1;
    }
    if (helpPages) {
        if (!StageHelpPages(table, argv[3], argv[4], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (!version.empty())
        table.version = version;
    if (!header.empty())
        table.headerVersion = header;
    if (!comments.empty())
        table.comments = comments;
    const CLanguage language = LanguageOfTable(table);
    if (language.Keywords.size() > static_cast<size_t>(CLanguage::kMaxKeywords)) {
        std::fprintf(stderr, "%s: more than %d keywords\n", tablePath, CLanguage::kMaxKeywords);
        return 1;
    }
    if (!language.Write(argv[2])) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
