// vqx-mklang: writes a language file (.sld) from the text table of the language.
//   vqx-mklang TABLE OUTPUT.sld
#include <cstdio>

#include "scanner/LanguageTable.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vqx-mklang TABLE OUTPUT.sld\n");
        return 2;
    }
    CLanguageTable table;
    std::string error;
    if (!LoadLanguageTable(argv[1], table, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const CLanguage language = LanguageOfTable(table);
    if (language.Keywords.size() > static_cast<size_t>(CLanguage::kMaxKeywords)) {
        std::fprintf(stderr, "%s: more than %d keywords\n", argv[1], CLanguage::kMaxKeywords);
        return 1;
    }
    if (!language.Write(argv[2])) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
