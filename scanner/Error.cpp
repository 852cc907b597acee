#include "scanner/Error.h"

#include "scanner/Token.h"

#include <cstdio>
#include <new>

namespace {

struct Entry {
    int32_t code;
    const char* text;
};

// Texts exactly as stored, typos included.
constexpr Entry kTable[] = {
    {1201, "New Line in constant string."},
    {1202, "'(' expected."},
    {1203, "')' expected."},
    {1204, "Number expected."},
    {1205, "'\"' expected."},
    {1206, "',' expected."},
    {1207, "Duplicate labels."},
    {1208, "String expected."},
    {1209, "'#' expected."},
    {1210, "Invalid Parameter."},
    {1211, "Keyword cannot be used in program."},
    {1212, "Assignment Expected."},
    {1213, "User variable expected."},
    {1214, "Invalid number of parameters."},
    {1215, "Invalid expression term."},
    {1216, "'[' expected."},
    {1217, "']' expected."},
    {1218, "'|' expected."},
    {1219, "Undefined symbol \"%s\"."},
    {1220, "Syntax error."},
    {1221, "Lvalue required."},
    {1222, "'END' expected."},
    {1223, "Destination label not found."},
    {1226, "Illegal 'IF' without matching 'ENDIF'."},
    {1227, "Illegal 'ELSEIF' without matching 'IF'."},
    {1228, "Illegal 'ELSE' without matching 'IF'."},
    {1229, "More than one 'ELSE'."},
    {1230, "Illegal 'ELSEIF' after 'ELSE'."},
    {1231, "Illegal 'ENDIF' without matching 'IF'."},
    {1232, "Illegal 'WHILE' without matching 'LOOP'."},
    {1233, "Illegal 'LOOP' without matching 'WHILE'."},
    {1234, "Illegal 'SWITCH' without matching 'ENDS'."},
    {1235, "'CASE' expected."},
    {1236, "Illegal 'CASE' without matching 'SWITCH'."},
    {1237, "Illegal 'DEFAULT' without matching 'SWITCH'."},
    {1238, "Illegal 'CASE' after 'DEFAULT'."},
    {1239, "More than one 'DEFAULT'."},
    {1240, "Illegal 'ENDS' without matching 'SWITCH'."},
    {1241, "Illegal 'BREAK' without 'WHILE' or 'SWITCH'."},
    {1242, "Illegal 'CMP' without matching 'IFX'."},
    {1243, "Illegal 'IFT' without matching 'CMP'."},
    {1244, "Illegal 'IFF' without matching 'CMP'."},
    {1245, "Illegal 'IFX' without matching 'CMP'."},
    {1246, "Error reading Language module."},
    {1247, "Space expected."},
    {1248, "'.' expected."},
    {1249, "Invalid command at end of program. (Need END, RETURN, GOTO,...)"},
    {1250, "Redefinition does not match."},
    {1251, "Reserved Keyword."},
    {1252, "Too many include files."},
    {1253, "Cannot open the include file."},
    {1254, "#endif expected."},
    {1401, "Constant out of range."},
    {1402, "Range mismatch."},
    {1403, "Not a valid baud rate vale."},
    {1404, "Using the default Language File."},
    {1405, "Possibly missing the '#' sign."},
    {1801, "Too many nested keywords. Cannot continue!"},
    {1802, "Too many Errors."},
    {1803, "Too many Warnings."},
};

const char* Lookup(int32_t code)
{
    for (const Entry& e : kTable)
        if (e.code == code)
            return e.text;
    return nullptr;
}

} // namespace

bool CError::IsWarning(int32_t code)
{
    return (code >= 1401 && code <= 1599) || (code >= 1601 && code <= 1799);
}

std::string CError::TextOf(int32_t code)
{
    int32_t tableCode = code;
    if (code >= 1601 && code <= 1799)
        tableCode = code % 200 + 1200;
    if (const char* text = Lookup(tableCode))
        return text;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Unknown %s! (Code:%d)", IsWarning(code) ? "Warning" : "Error",
                  static_cast<int>(code));
    return buf;
}

CError::CError(int32_t code_, int32_t line_, int32_t column_, const char* text,
               const char* file)
    : code(code_), message(text ? std::string(text) : TextOf(code_)), line(line_),
      column(column_), fileName(file ? file : "")
{
}

CError::CError(int32_t code_, int32_t line_, int32_t column_, const std::string& text,
               const std::string& file)
    : code(code_), message(text), line(line_), column(column_), fileName(file)
{
}

std::unique_ptr<CInfoItem> CError::NewInfoItem() const
{
    auto item = std::make_unique<CInfoItem>();
    item->line = line;
    item->column = column;
    item->file = fileName;
    item->code = code;
    return item;
}

void CErrorList::Init(int32_t maxErrors, int32_t maxWarnings)
{
    if (maxErrors > 0)
        MaxErrors = maxErrors;
    if (maxWarnings > 0)
        MaxWarnings = maxWarnings;
    m_items.clear();
    m_capacity = MaxErrors + MaxWarnings + 2;
    try {
        m_items.reserve(static_cast<size_t>(m_capacity));
    } catch (const std::bad_alloc&) {
        m_hasArray = false;
        throw CVQXException(CVQXException::OutOfMemory);
    }
    m_hasArray = true;
    m_count = m_errorCount = m_warningCount = 0;
    m_onlyUndefinedSymbols = true;
}

void CErrorList::Add(const CError& error)
{
    if (!m_hasArray)
        return;
    // The last slot stays empty; a message beyond the room is counted but not stored.
    if (static_cast<int32_t>(m_items.size()) < m_capacity - 1)
        m_items.push_back(error);
    ++m_count;
    if (CError::IsWarning(error.code)) {
        ++m_warningCount;
        if (m_warningCount < MaxWarnings || error.code == CError::TooManyWarnings)
            return;
        throw CError(CError::TooManyWarnings);
    }
    ++m_errorCount;
    // Cleared before the limit test, so that the message that reaches the limit counts too: a scan
    // that stops at a real error must not be offered as "only undefined symbols" (a forced
    // download of a program with errors).
    if (error.code != CError::UndefinedSymbol)
        m_onlyUndefinedSymbols = false;
    if (m_errorCount >= MaxErrors && error.code != CError::TooManyErrors)
        throw CError(CError::TooManyErrors);
}

void CErrorList::AddAt(int32_t code, const CToken& token, const char* text)
{
    if (!m_hasArray)
        return;
    const CLine* line = token.line;
    Add(CError(code, line ? line->lineNumber : -1, token.column, text,
               line && line->fileName ? line->fileName->c_str() : nullptr));
}
