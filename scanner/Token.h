#pragma once
// Source lines and tokens.

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/Language.h"

class CLine;

class CToken {
public:
    // Class bits: the low byte is the kind, the high bits mark strings, indexed names, comments.
    enum : uint32_t {
        Keyword = 1, UserVariable = 2, Array = 4, KeywordReport = 8, VariableReport = 16,
        ArrayReport = 32, Number = 64, KindMask = 0xFF,
        String = 0x200, Indexed = 0x400, Comment = 0x800
    };

    // Largest first, so that the token packs into 96 bytes: a long program holds tens of
    // thousands of them.
    std::string text;
    int64_t value = 0;           // the number or the numeric suffix (saturated, never wraps)
    CLine* line = nullptr;
    const CKeyword* keyword = nullptr;
    CToken* next = nullptr;      // control links of the block structure
    CToken* owner = nullptr;
    uint32_t cls = 0;
    int32_t index = 0;           // position in its line
    int32_t column = 0;          // 0-based column in the source line, indentation included
    uint16_t address = 0;        // byte address in the motor's program
    bool hasSuffix = false;
    bool spaceBefore = false;    // a blank precedes it in the compiled body
    bool blankBefore = false;    // a blank or tab precedes it in the source line
    bool unterminated = false;   // a string without its closing double quote
    bool ownerIsEnd = false;     // the owner link points past the last token of the program
    bool unchecked = false;      // skipped by the checks after a fault earlier on its line

    // Fills and classifies a word token against the language.
    void Set(std::string_view text, int32_t index, CLine* line, int32_t column,
             const CLanguage& language, bool afterHash);
    // The one-character (or two-character operator) form for separators.
    void SetSeparator(std::string_view text, int32_t index, CLine* line, int32_t column);

    uint32_t Kind() const { return cls & KindMask; }
    bool Is(std::string_view t) const { return !(cls & (String | Comment)) && text == t; }
    bool IsNumber() const { return Kind() == Number && !(cls & (String | Comment)); }
    bool IsOperator() const;
    // The blank rule: at column 0, beginning with a separator character, or after a blank.
    bool WellSeparated() const;
};

class CLine {
public:
    CLine() = default;
    // Tokens kept in `store` (a scan's token store); by default on the heap.
    explicit CLine(std::pmr::memory_resource* store) : tokens(store) {}

    int32_t index = 0;
    std::string text;            // the trimmed line
    int32_t indent = 0;          // characters trimmed at the left (columns count them)
    std::pmr::vector<CToken> tokens;
    int32_t fileIndex = -1;      // include slot, -1 for the main file and generated lines
    int32_t lineNumber = -1;     // 0-based line within its file, -1 for generated lines
    const std::string* fileName = nullptr; // the include file's name; null for the main file
    bool marker = false;         // an include marker line

    // Cuts the line into tokens and classifies them. Never throws for any input.
    void GetTokens(const CLanguage& language);
    // At least as many tokens as GetTokens makes of the text.
    size_t TokenBound() const;
    // Gives the token array back to its store (before the store starts again).
    void DropTokens() { std::pmr::vector<CToken>(tokens.get_allocator()).swap(tokens); }
};

// The 22 separator characters of the tokenizer.
bool IsSeparator(char c);
// User variable: a .. z, aa .. zz, aaa .. zzz (one letter, two or three times).
bool IsUserVariableName(std::string_view s);
// User array: al, aw, ab.
bool IsArrayName(std::string_view s);
// The keyword row an array name links to: al 0, aw 1, ab 2.
int ArrayKeywordIndex(std::string_view s);
