// The engine's keyword records and message texts.
#include "scanner/EngineTable.h"

#include "core/VQXException.h"
#include "scanner/LanguageTable.h"

#include <cstring>
#include <map>

namespace {

std::vector<CEngineKeyword> MakeTable()
{
    CLanguageTable table;
    std::string error;
    // The text is part of the library: a fault in it is a build fault, never a user's.
    if (!ParseLanguageTable(BuiltInLanguageTableText(), table, error))
        throw CVQXException(CVQXException::CppException, "built-in language table: " + error);
    std::vector<CEngineKeyword> out;
    for (const CLanguageRow& row : table.rows) {
        if (!row.engine)
            continue;
        CEngineKeyword k{};
        std::strncpy(k.name, row.name.c_str(), sizeof k.name - 1);
        k.kind = row.kind;
        k.cls = row.cls;
        k.paramCount = static_cast<uint32_t>(row.params.size());
        std::vector<int> codes;
        if (row.kind == kKindVar) {
            // A variable: its value class; an array's index class after it.
            if (row.value >= 0)
                codes.push_back(row.value);
            codes.insert(codes.end(), row.params.begin(), row.params.end());
        } else {
            codes = row.params;
            if (row.value >= 0)
                codes.push_back(row.value);
        }
        if (codes.size() > 8)
            throw CVQXException(CVQXException::CppException, "built-in language table: too many codes for " + row.name);
        for (size_t i = 0; i < codes.size(); ++i)
            (i < 4 ? k.types[i] : k.moreTypes[i - 4]) = static_cast<uint8_t>(codes[i]);
        out.push_back(k);
    }
    return out;
}

const std::map<int32_t, const char*>& Messages()
{
    static const std::map<int32_t, const char*> texts = {
        {1, "New Line in constant string."},
        {2, "'(' expected."},
        {3, "')' expected."},
        {4, "Number expected."},
        {5, "'\"' expected."},
        {6, "',' expected."},
        {7, "End of program."},
        {8, "String expected."},
        {9, "'#' expected."},
        {10, "Communication type expected.(RS2,RS4,IIC)."},
        {11, "Parity expected (I,N,O,E)."},
        {12, "Communication spec. expected (C,D,M)."},
        {13, "User variable expected."},
        {14, "Invalid number of parameters."},
        {15, "Invalid expression term."},
        {16, "'[' expected."},
        {17, "']' expected."},
        {18, "Invalid index."},
        {19, "Invalid expression."},
        {20, "Syntax error."},
        {21, "Too many Errors."},
        {22, "Too many Warnings."},
        {23, "Lvalue required."},
        {24, "'END' expected."},
        {25, "Destination label not found."},
        {26, "Illegal 'IF' without matching 'ENDIF'."},
        {27, "Illegal 'ELSEIF' without matching 'IF'."},
        {28, "Illegal 'ELSE' without matching 'IF'."},
        {29, "More than one 'ELSE'."},
        {30, "Illegal 'ELSEIF' after 'ELSE'."},
        {31, "Illegal 'ENDIF' without matching 'IF'."},
        {32, "Illegal 'WHILE' without matching 'LOOP'."},
        {33, "Illegal 'LOOP' without matching 'WHILE'."},
        {34, "Illegal 'SWITCH' without matching 'ENDS'."},
        {35, "'CASE' expected."},
        {36, "Illegal 'CASE' without matching 'SWITCH'."},
        {37, "Illegal 'DEFAULT' without matching 'SWITCH'."},
        {38, "Illegal 'CASE' after 'DEFAULT'."},
        {39, "More than one 'DEFAULT'."},
        {40, "Illegal 'ENDS' without matching 'SWITCH'."},
        {41, "Illegal 'BREAK' without 'WHILE' or 'SWITCH'."},
        {70, "Too many nested keywords. Cannot continue!"},
        {103, "Constant out of range. (0 or 1)."},
        {104, "Constant out of range. (0 .. 2)."},
        {105, "Constant out of range. (1 .. 4)."},
        {106, "Constant out of range. (0 .. 15)."},
        {107, "Constant out of range. (0 .. 50)."},
        {108, "Constant out of range. (0 .. 63)."},
        {109, "Constant out of range. (0 .. 101)."},
        {110, "Constant out of range. (2 .. 100)."},
        {111, "Constant out of range. (0 .. 120)."},
        {112, "Constant out of range. (0 .. 127)."},
        {113, "Constant out of range. (0 .. 203)."},
        {114, "Constant out of range. (-128 .. 127)."},
        {115, "Constant out of range. (0 .. 255)."},
        {116, "Constant out of range. (0 .. 999)."},
        {117, "Constant out of range. (0 .. 1023)."},
        {118, "Constant out of range. (0 .. 32767)."},
        {119, "Constant out of range. (-32768 .. 32767)."},
        {120, "Constant out of range. (0 .. 65535)."},
        {121, "Constant out of range. (0 .. 2147483647)."},
        {123, "A bitrate value expected."},
        {124, "Constant out of range. (Only 8)."},
        {129, "Constant out of range. (0 .. 16777215)."},
        {200, "Possible loss of data/Range mismatch."},
    };
    return texts;
}

} // namespace

const std::vector<CEngineKeyword>& EngineKeywordTable()
{
    static const std::vector<CEngineKeyword> table = MakeTable();
    return table;
}

int EngineTypeCode(const CEngineKeyword& k, int i)
{
    if (i < 0 || i >= 8)
        return 0;
    return i < 4 ? k.types[i] : k.moreTypes[i - 4];
}

std::string EngineMessageText(int32_t code)
{
    const auto& texts = Messages();
    if (const auto it = texts.find(code); it != texts.end())
        return it->second;
    // Code 122 (the full 32-bit class) has no text of its own either.
    return "Unknown " + std::string(code >= 100 ? "Warning" : "Error") + "! (Code:" + std::to_string(code) + ")";
}
