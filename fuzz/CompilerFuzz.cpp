// The compiler on any source text (plain or rich text) with the shipped language: errors within
// their list's capacity, or an image whose header and body agree.
#include "core/VQXException.h"
#include "core/transfer/ProgramImage.h"
#include "fuzz/FuzzTarget.h"
#include "scanner/LanguageTable.h"
#include "scanner/Scanner.h"

#include <cstdio>
#include <optional>

namespace {

const CLanguage& TableLanguage()
{
    static const CLanguage language = [] {
        CLanguageTable table;
        std::string error;
        if (!LoadLanguageTable(VQX_LANGUAGE_TABLE_PATH, table, error)) {
            std::fprintf(stderr, "language table: %s\n", error.c_str());
            std::abort();
        }
        return LanguageOfTable(table);
    }();
    return language;
}

} // namespace

VQX_FUZZ_TARGET(compiler, data, size)
{
    CScanner scanner;
    scanner.SetLanguage(TableLanguage());
    scanner.Errors().Init(100, 100);
    scanner.Scan(CScanner::PlainText(fuzz::Text(data, size)), "");
    VQX_FUZZ_CHECK(scanner.Errors().GetCount() <= scanner.Errors().GetCapacity());
    if (scanner.Errors().GetErrorCount() != 0)
        return;
    std::string image;
    try {
        image = scanner.CompiledImage();
    } catch (const CVQXException& e) {
        VQX_FUZZ_CHECK(e.GetCode() == CVQXException::FileTooLong);
        return;
    }
    // The header's checksum is the one the compiler computed over the body.
    const std::optional<uint32_t> checksum = transfer::HeaderChecksum(image);
    VQX_FUZZ_CHECK(checksum.has_value());
}
