// The engine's compiler variant: a policy over the one compiler (its table, line cutting, codes).
#include "scanner/EngineCompiler.h"

#include "core/VQXException.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"
#include "scanner/EngineTable.h"
#include "scanner/LanguageTable.h"

#include <algorithm>
#include <cstring>

namespace {

// The engine's rows of the language table as a language: version and header "400", joined values.
const CLanguage& EngineLanguage()
{
    static const CLanguage language = [] {
        CLanguageTable table;
        std::string error;
        if (!ParseLanguageTable(BuiltInLanguageTableText(), table, error))
            throw CVQXException(CVQXException::CppException, "built-in language table: " + error);
        std::erase_if(table.rows, [](const CLanguageRow& row) { return !row.engine; });
        return LanguageOfTable(table);
    }();
    return language;
}

// The range classes that have a range, and the engine's warning for each (100 + class).
constexpr int kRangeClasses[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 29};

// The class whose range the one compiler named in its out-of-range text; 0 for none.
int RangeClassOfText(const std::string& text)
{
    for (int c : kRangeClasses) {
        int32_t min = 0, max = 0;
        if (RangeOfClass(c, min, max) && CScanner::RangeText(COPType::MakeRange(min, max)) == text)
            return c;
    }
    return 0;
}

// The token a message stands at.
const CToken* TokenAt(const CScanner& scanner, int32_t line, int32_t column)
{
    for (const auto& l : scanner.Lines())
        if (l->lineNumber == line)
            for (const CToken& t : l->tokens)
                if (t.column == column)
                    return &t;
    return nullptr;
}

// Moves (line, column) from a token to the one the engine's pass steps to after it: the next token
// of its line unless that is a comment, else the first token of a later line that has tokens and
// does not begin with a comment. Unchanged when there is none (the program ends there).
void StepToNextToken(const CScanner& scanner, int32_t& line, int32_t& column)
{
    const auto& lines = scanner.Lines();
    const auto isComment = [](const CToken& t) { return (t.cls & CToken::Comment) != 0; };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i]->lineNumber != line)
            continue;
        const auto& tokens = lines[i]->tokens;
        for (size_t k = 0; k < tokens.size(); ++k) {
            if (tokens[k].column != column)
                continue;
            if (k + 1 < tokens.size() && !isComment(tokens[k + 1])) {
                column = tokens[k + 1].column;
                return;
            }
            for (size_t j = i + 1; j < lines.size(); ++j) {
                const auto& next = lines[j]->tokens;
                if (!next.empty() && !isComment(next[0])) {
                    line = lines[j]->lineNumber;
                    column = next[0].column;
                    return;
                }
            }
            return;
        }
    }
}

// The range class of the parameter list operand a token stands in (OCHN(RS2,0,N,...)): the
// keyword before the list's "(" and the commas before the token; 0 when it stands in none.
int OperandClass(const CToken* at)
{
    if (!at || !at->line)
        return 0;
    const auto& tokens = at->line->tokens;
    int commas = 0;
    for (int i = at->index - 1; i >= 0; --i) {
        const CToken& t = tokens[static_cast<size_t>(i)];
        if (t.Is(","))
            ++commas;
        else if (t.Is("(") && i > 0) {
            const std::string& name = tokens[static_cast<size_t>(i - 1)].text;
            for (const CEngineKeyword& k : EngineKeywordTable())
                if (name == k.name)
                    return EngineTypeCode(k, commas) & ~kCodeExpression;
            return 0;
        }
    }
    return 0;
}

} // namespace

CEngineCompiler::CEngineCompiler()
{
    m_scanner.SetLanguage(EngineLanguage());
    m_scanner.CheckNumRange = true;
    m_scanner.CheckParamRange = true; // "Possible loss of data/Range mismatch."
    m_scanner.WarnPartialRange = true;
    m_scanner.CommaOperandsByType = true;
    m_scanner.InsertMarker = false;
}

std::vector<std::string> CEngineCompiler::SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > pos) {
            std::string_view piece = text.substr(pos, end - pos);
            lines.emplace_back(piece.substr(0, piece.find('\r')));
        }
        pos = end + 1;
    }
    return lines;
}

void CEngineCompiler::CompileText(std::string_view text)
{
    // The one compiler's own limits are out of the way (the engine's are applied to its messages,
    // some of which the engine does not raise), within what a program of the most lines can give.
    const int32_t room = static_cast<int32_t>(std::min<int64_t>(2 * int64_t(std::max(MaxErrors, MaxWarnings)) + 100, 25000));
    m_scanner.Errors().MaxErrors = room;
    m_scanner.Errors().MaxWarnings = room;
    const std::vector<std::string> lines = SplitLines(text);
    m_scanner.ScanLines(lines);
    m_lastLine = lines.empty() ? 0 : static_cast<int32_t>(lines.size()) - 1;
    TakeMessages();
}

void CEngineCompiler::CompileFile(const std::string& path)
{
    std::string text;
    if (!platform::ReadWholeFile(path, text, CScanner::kMaxSourceFile))
        throw CVQXException(CVQXException::CannotOpenFile,
                            CVQXException::TextOf(CVQXException::CannotOpenFile) + " (" + path + ")");
    CompileText(CScanner::PlainText(text));
}

bool CEngineCompiler::MakeCompiled(const std::string& source, const std::string& target)
{
    CompileFile(source);
    if (m_errors > 0)
        return false;
    const std::string image = m_scanner.CompiledImage();
    if (!platform::WriteFileAtomically(target, image.data(), image.size()))
        throw CVQXException(CVQXException::CannotWriteFile,
                            CVQXException::TextOf(CVQXException::CannotWriteFile) + " (" + target + ")");
    return true;
}

std::string CEngineCompiler::CompiledFileName(const std::string& source)
{
    const size_t slash = source.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = source.rfind('.');
    // Only a dot of the file name's own part cuts (a folder "dir.v2" keeps its name).
    const std::string stem = dot != std::string::npos && dot >= nameStart ? source.substr(0, dot) : source;
    return stem + ".tqx";
}

bool CEngineCompiler::Add(CEngineMessage m)
{
    if (m.IsWarning())
        ++m_warnings;
    else
        ++m_errors;
    m_messages.push_back(std::move(m));
    // The list ends at the first limit reached, with its own entry.
    const auto limit = [&](int32_t code) {
        m_messages.push_back({code, EngineMessageText(code), -1, -1});
        ++m_errors;
        return false;
    };
    if (m_errors >= MaxErrors)
        return limit(TooManyErrors);
    if (m_warnings >= MaxWarnings)
        return limit(TooManyWarnings);
    return true;
}

void CEngineCompiler::TakeMessages()
{
    m_messages.clear();
    m_errors = m_warnings = 0;
    for (const CError& e : m_scanner.Errors().Items()) {
        CEngineMessage m = Translate(e);
        if (m.code == 0)
            continue;
        // A jump past the label table is a range warning before its missing label.
        if (m.code == 25) {
            const CToken* at = TokenAt(m_scanner, e.line, e.column);
            if (at && at->hasSuffix && (at->value < 0 || at->value > 999) &&
                !Add({116, EngineMessageText(116), e.line, e.column}))
                return;
        }
        // A second ELSE is told at the token after it.
        if (m.code == 29)
            StepToNextToken(m_scanner, m.line, m.column);
        // A missing END is told at the last line.
        if (m.code == 24 && m.line < 0) {
            m.line = m_lastLine;
            m.column = 0;
        }
        if (!Add(std::move(m)))
            return;
        if (m_messages.back().code == 70)
            return;
    }
}

CEngineMessage CEngineCompiler::Translate(const CError& e) const
{
    int32_t code = 0;
    const int32_t c = e.code;
    if (c >= CError::NewLineInString && c <= CError::HashExpected)
        code = c - 1200; // 1 .. 9: the same messages
    else if (c >= CError::UserVariableExpected && c <= CError::CloseBracketExpected)
        code = c - 1200; // 13 .. 17
    else if (c >= CError::IfWithoutEndif && c <= CError::BreakOutside)
        code = c - 1200; // 26 .. 41
    else {
        switch (c) {
        case CError::InvalidParameter: {
            // A word operand that is none of its words, or a label number past the table.
            const CToken* at = TokenAt(m_scanner, e.line, e.column);
            switch (OperandClass(at)) {
            case 25: code = 10; break;
            case 26: code = 11; break;
            case 27: code = 12; break;
            default: code = at && at->keyword && at->keyword->Name == "C" ? 116 : 20; break;
            }
            break;
        }
        case CError::BarExpected:
        case CError::UndefinedSymbol:
        case CError::SyntaxError:
        case CError::Redefinition:
        case CError::ReservedKeyword:
        case CError::TooManyIncludes:
        case CError::CannotOpenInclude:
        case CError::EndifExpected:
            code = 20;
            break;
        case CError::LvalueRequired: code = 23; break;
        case CError::EndExpected: code = 24; break;
        case CError::LabelNotFound: code = 25; break;
        case CError::RangeMismatch: code = 200; break;
        case CError::InvalidBaudRate: code = 123; break;
        case CError::TooDeep: code = 70; break;
        case CError::ConstantOutOfRange:
            // A constant division by zero is no number the motor can compute: an invalid expression.
            if (e.message.find("Division by zero") != std::string::npos)
                code = 19;
            else if (const int cls = RangeClassOfText(e.message))
                code = 100 + cls;
            else
                code = 122; // beyond 32 bits
            break;
        default:
            // The rules the engine does not have: a keyword kept from programs, the blank and
            // period rules, the last statement's form, repeated labels, the language file, "#"
            // in print lists, assignment forms of user variables.
            code = 0;
            break;
        }
    }
    if (code == 0)
        return {};
    return {code, EngineMessageText(code), e.line, e.column};
}
