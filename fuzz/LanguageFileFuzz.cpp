// A language file from any bytes: refused with a reason, or a language the compiler can use.
#include "core/archive/TagArchive.h"
#include "fuzz/FuzzTarget.h"
#include "scanner/Language.h"
#include "scanner/Scanner.h"

VQX_FUZZ_TARGET(language_file, data, size)
{
    CTagArchive ar("VQXLangFile");
    ar.OpenForReadMemory(data, size);
    CLanguage language;
    std::string reason;
    if (!language.Read(ar, reason)) {
        VQX_FUZZ_CHECK(!reason.empty());
        return;
    }
    VQX_FUZZ_CHECK(language.EffectiveHeaderVersion().size() == 3);
    // A program compiled with it: errors or an image, never a crash.
    CScanner scanner;
    scanner.SetLanguage(language);
    scanner.Errors().Init(100, 100);
    scanner.Scan("a=1\nb=a+2\nIF a>0\nPRINT(\"x\",a,#13)\nENDIF\nWHILE a<3 a=a+1 LOOP\nEND\n", "");
    VQX_FUZZ_CHECK(scanner.Errors().GetCount() <= scanner.Errors().GetCapacity());
}
