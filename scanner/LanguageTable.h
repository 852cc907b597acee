#pragma once
// The reviewable text table of the motor command language (scanner/language/MotorLanguage.tbl)
// and its mapping to a language file. Each row keeps the columns of the engine's keyword table
// (kind, class, range classes), so that the engine's built-in table is made from the same
// rows by adding its own encoding.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/Language.h"

// Engine kinds, as the engine's keyword table codes them.
enum : uint32_t {
    kKindList = 0x01, kKindCmd1 = 0x02, kKindFunc = 0x04, kKindCmdN = 0x08, kKindCmd = 0x10,
    kKindPrint = 0x20, kKindVar = 0x100
};
// Engine class bits.
enum : uint32_t { kClassSet = 1, kClassReport = 2, kClassTerm = 4 };
// The engine's "operand may be an expression" bit of a type code.
constexpr int kCodeExpression = 0x40;

struct CLanguageRow {
    std::string name;            // empty for the three array rows
    uint32_t kind = kKindCmd;
    uint32_t cls = 0;
    std::vector<int> params;     // range classes, with kCodeExpression where allowed
    std::vector<bool> optional;  // per parameter (VQX only)
    int value = -1;              // value class, -1 when none
    bool engine = true;          // false: a VQX keyword the engine table lacks
    bool flow = false;
    bool label = false;
    bool host = false;
    std::string help;
    std::string comment;
    int sourceLine = 0;
};

struct CLanguageTable {
    std::string version, headerVersion, author, comments, history, initFile;
    uint32_t features = 0;
    std::vector<CLanguageRow> rows;
};

// Range of a numeric range class (3 .. 22, 24, 29); false for the other classes.
bool RangeOfClass(int rangeClass, int32_t& min, int32_t& max);

// Parses the table text; false with "line N: reason" on the first bad line.
bool ParseLanguageTable(std::string_view text, CLanguageTable& table, std::string& error);
bool LoadLanguageTable(const std::string& path, CLanguageTable& table, std::string& error);

// The .sld operand type of a range-class code.
COPType OperandOfCode(int code, bool optional);
// The .sld keyword of a row (the mapping described at the head of the table).
CKeyword KeywordOfRow(const CLanguageRow& row);
// The whole language (all rows, engine and VQX).
CLanguage LanguageOfTable(const CLanguageTable& table);
