#pragma once
// Compiler messages: one finding of the scanner, and the bounded list that collects
// them. A CError is also thrown by value to stop a scan.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/VQXException.h"

class CToken;

class CError {
public:
    // Message codes the scanner raises. 1601-1799 are errors reported as warnings.
    enum : int32_t {
        NewLineInString = 1201, OpenParenExpected = 1202, CloseParenExpected = 1203,
        NumberExpected = 1204, QuoteExpected = 1205, CommaExpected = 1206, DuplicateLabels = 1207,
        StringExpected = 1208, HashExpected = 1209, InvalidParameter = 1210,
        NotInProgram = 1211, AssignmentExpected = 1212, UserVariableExpected = 1213,
        InvalidParameterCount = 1214, InvalidTerm = 1215, OpenBracketExpected = 1216,
        CloseBracketExpected = 1217, BarExpected = 1218, UndefinedSymbol = 1219,
        SyntaxError = 1220, LvalueRequired = 1221, EndExpected = 1222, LabelNotFound = 1223,
        IfWithoutEndif = 1226, ElseifWithoutIf = 1227, ElseWithoutIf = 1228, SecondElse = 1229,
        ElseifAfterElse = 1230, EndifWithoutIf = 1231, WhileWithoutLoop = 1232,
        LoopWithoutWhile = 1233, SwitchWithoutEnds = 1234, CaseExpected = 1235,
        CaseWithoutSwitch = 1236, DefaultWithoutSwitch = 1237, CaseAfterDefault = 1238,
        SecondDefault = 1239, EndsWithoutSwitch = 1240, BreakOutside = 1241,
        CmpWithoutIfx = 1242, IftWithoutCmp = 1243, IffWithoutCmp = 1244, IfxWithoutCmp = 1245,
        LanguageModule = 1246, SpaceExpected = 1247, PeriodExpected = 1248, InvalidEnd = 1249,
        Redefinition = 1250, ReservedKeyword = 1251, TooManyIncludes = 1252,
        CannotOpenInclude = 1253, EndifExpected = 1254,
        ConstantOutOfRange = 1401, RangeMismatch = 1402, InvalidBaudRate = 1403,
        DefaultLanguage = 1404, MissingHash = 1405,
        UndefinedSymbolWarning = 1619,
        TooDeep = 1801, TooManyErrors = 1802, TooManyWarnings = 1803
    };

    // Builds a message; a null text takes the table text of the code.
    CError(int32_t code, int32_t line = -1, int32_t column = -1, const char* text = nullptr,
           const char* fileName = nullptr);
    CError(int32_t code, int32_t line, int32_t column, const std::string& text,
           const std::string& fileName);

    int32_t code;
    std::string message;
    int32_t line;
    int32_t column;
    std::string fileName;

    // The table text of a code (1601-1799 map to code % 200 + 1200), or the unknown-code text.
    static std::string TextOf(int32_t code);
    // 1401-1599 and 1601-1799 are warnings; everything else is an error.
    static bool IsWarning(int32_t code);

    // The information-view line record made from this message.
    std::unique_ptr<CInfoItem> NewInfoItem() const;
};

// The bounded message list of one scanner.
class CErrorList {
public:
    CErrorList() = default;

    // Takes each limit only when it is greater than 0, drops the messages and makes room for
    // MaxErrors + MaxWarnings + 2 slots (one of them the terminating empty slot).
    void Init(int32_t maxErrors, int32_t maxWarnings);
    // Appends a copy; throws CError 1802 or 1803 when a limit is reached.
    // Does nothing before the first Init.
    void Add(const CError& error);
    // A message at a token of a source line: its line number in its file, its column, and the
    // include file's name when the line came from one (empty for the main file). A null text
    // takes the table text. Then Add.
    void AddAt(int32_t code, const CToken& token, const char* text = nullptr);

    int32_t MaxErrors = 50;
    int32_t MaxWarnings = 50;

    bool HasItemArray() const { return m_hasArray; }
    int32_t GetCapacity() const { return m_capacity; }
    int32_t GetCount() const { return m_count; }
    int32_t GetErrorCount() const { return m_errorCount; }
    int32_t GetWarningCount() const { return m_warningCount; }
    bool OnlyUndefinedSymbols() const { return m_onlyUndefinedSymbols; }
    // The stored messages, in order (at most capacity - 1 of them).
    const std::vector<CError>& Items() const { return m_items; }
    const CError& operator[](size_t i) const { return m_items[i]; }

private:
    std::vector<CError> m_items;
    bool m_hasArray = false;
    int32_t m_capacity = 102;
    int32_t m_count = 0;
    int32_t m_errorCount = 0;
    int32_t m_warningCount = 0;
    bool m_onlyUndefinedSymbols = true;
};
