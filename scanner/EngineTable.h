#pragma once
// The engine's own form of the compiler's tables: the built-in keyword table of 44-byte records
// (made from the language table's rows when first used, so the two cannot drift apart) and the
// engine's message codes and texts. Codes below 100 are errors, 100 and above warnings.

#include <cstdint>
#include <string>
#include <vector>

// One record of the built-in keyword table, laid out as the engine keeps it.
struct CEngineKeyword {
    char name[20];        // NUL-terminated; empty for the three user arrays al, aw, ab
    uint32_t kind;        // kKindVar, kKindCmd, ... (LanguageTable.h)
    uint32_t cls;         // kClassSet | kClassReport | kClassTerm
    uint32_t paramCount;  // parameters (for an array its index)
    uint8_t types[4];     // range classes, least significant first: parameters then value class
                          // (for a variable its value class; an array's value then index class)
    uint8_t moreTypes[4]; // further type codes (only OCHN needs them)
    uint32_t reserved;
};
static_assert(sizeof(CEngineKeyword) == 44, "the engine's keyword record is 44 bytes");

// The 331 rows of the engine (the language table's rows that are not VQX-only), in table order.
const std::vector<CEngineKeyword>& EngineKeywordTable();
// Type code i of a record (0 when there is none).
int EngineTypeCode(const CEngineKeyword& k, int i);

// The text of an engine message code; unknown codes get "Unknown Warning! (Code:N)" or
// "Unknown Error! (Code:N)".
std::string EngineMessageText(int32_t code);
// The language table's text, built into the library.
const char* BuiltInLanguageTableText();
