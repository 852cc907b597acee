// The checking passes: statement forms, operands, expressions and ranges, block
// structure and links, the end of the program.
#include "scanner/Scanner.h"

#include <cstdio>
#include <limits>

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

int64_t SatAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? kInt64Max : kInt64Min;
    return r;
}
int64_t SatSub(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r))
        return b < 0 ? kInt64Max : kInt64Min;
    return r;
}
int64_t SatMul(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r))
        return ((a < 0) != (b < 0)) ? kInt64Min : kInt64Max;
    return r;
}
int64_t SatNeg(int64_t a) { return a == kInt64Min ? kInt64Max : -a; }

bool IsLimitCode(int32_t code) { return code == CError::TooManyErrors || code == CError::TooManyWarnings; }

bool ResumesAtToken(int32_t code)
{
    return code == CError::OpenParenExpected || code == CError::CloseParenExpected ||
           code == CError::OpenBracketExpected || code == CError::CloseBracketExpected ||
           code == CError::BarExpected;
}

bool InWordList(const std::string& list, const std::string& word)
{
    size_t i = 0;
    while (i <= list.size()) {
        size_t j = list.find_first_of(",-", i);
        if (j == std::string::npos)
            j = list.size();
        if (j > i && list.compare(i, j - i, word) == 0 && word.size() == j - i)
            return true;
        i = j + 1;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Messages

void CScanner::PlaceError(CError& e, const CToken* at) const
{
    if (!at || !at->line) {
        if (e.line == 0 && e.column == 0)
            e.line = e.column = -1;
        return;
    }
    e.line = at->line->lineNumber;
    e.column = at->column;
    e.fileName = at->line->fileName ? *at->line->fileName : std::string();
}

bool CScanner::Record(const CError& e)
{
    if (m_limitHit)
        return false;
    try {
        m_errors.Add(e);
        return true;
    } catch (const CError& limit) {
        m_limitHit = true;
        try {
            m_errors.Add(limit);
        } catch (const CError&) {
        }
        return false;
    }
}

void CScanner::AddAt(int32_t code, const CToken* at, const std::string& text)
{
    CError e(code, -1, -1, text.empty() ? nullptr : text.c_str(), nullptr);
    PlaceError(e, at);
    Record(e);
}

void CScanner::Fail(int32_t code, const CToken* at, const std::string& text)
{
    m_faultAt = at;
    throw CError(code, -1, -1, text.empty() ? nullptr : text.c_str(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Walking the tokens

CToken* CScanner::FirstToken()
{
    m_lineIdx = 0;
    m_tokIdx = 0;
    for (; m_lineIdx < m_lines.size(); ++m_lineIdx) {
        auto& toks = m_lines[m_lineIdx]->tokens;
        for (m_tokIdx = 0; m_tokIdx < toks.size(); ++m_tokIdx)
            if (!(toks[m_tokIdx].cls & CToken::Comment))
                return m_cur = &toks[m_tokIdx];
    }
    return m_cur = nullptr;
}

CToken* CScanner::NextToken()
{
    if (!m_cur)
        return nullptr;
    size_t li = m_lineIdx, ti = m_tokIdx + 1;
    for (; li < m_lines.size(); ++li, ti = 0) {
        auto& toks = m_lines[li]->tokens;
        for (; ti < toks.size(); ++ti) {
            if (toks[ti].cls & CToken::Comment)
                break; // a comment ends its line
            m_lineIdx = li;
            m_tokIdx = ti;
            m_last = m_cur;
            return m_cur = &toks[ti];
        }
    }
    // The end of the program: the last statement must end it (markers do not count).
    m_last = m_cur;
    m_cur = nullptr;
    if (!m_endChecked) {
        m_endChecked = true;
        if (m_lastRealStatement && !IsProgramEnd(m_lastRealStatement)) {
            const CToken* at = m_last;
            if (at && at->line && at->line->marker)
                at = m_lastRealStatement;
            AddAt(CError::InvalidEnd, at);
        }
    }
    return nullptr;
}

CToken* CScanner::Advance() { return NextToken(); }

bool CScanner::IsProgramEnd(const CToken* s)
{
    if (!s || s->Kind() != CToken::Keyword || !s->keyword)
        return false;
    const std::string& n = s->keyword->Name;
    return n == "END" || n == "RETURN" || n == "RETURNF" || n == "RETURNI" || n == "RETV" ||
           n == "RET" || n == "ENDP" || n == "GOTO";
}

// ---------------------------------------------------------------------------------------------
// The walk

void CScanner::CheckProgram()
{
    m_exprDepth = 0;
    m_stack.clear();
    m_sawEnd = false;
    m_endChecked = false;
    m_statement = m_lastRealStatement = nullptr;
    m_last = nullptr;
    if (m_limitHit)
        return;
    FirstToken();
    bool aborted = false;
    while (m_cur) {
        m_faultAt = nullptr;
        m_exprDepth = 0;
        try {
            CheckStatementStart();
        } catch (CError& e) {
            if (IsLimitCode(e.code)) {
                Record(e);
                aborted = true;
                break;
            }
            const CToken* at = m_faultAt ? m_faultAt : (m_cur ? m_cur : m_last);
            PlaceError(e, at);
            const bool stored = Record(e);
            if (!stored || (e.code >= 1801 && e.code <= 1999)) {
                aborted = true;
                break;
            }
            // Recovery: at the token for the bracket errors found at the start of a line, else
            // with the next line.
            if (!at || !at->line) {
                m_cur = nullptr;
                break;
            }
            const CLine* line = at->line;
            size_t first = 0;
            while (first < line->tokens.size() && (line->tokens[first].cls & CToken::Comment))
                ++first;
            // Never at the statement's own first token: that would check it again and again.
            if (ResumesAtToken(e.code) && static_cast<size_t>(at->index) == first && at != m_statement) {
                m_lineIdx = static_cast<size_t>(line->index);
                m_tokIdx = static_cast<size_t>(at->index);
                m_cur = const_cast<CToken*>(at);
            } else {
                // Continue after the last token of the line of the fault.
                MarkUnchecked(at);
                m_lineIdx = static_cast<size_t>(line->index);
                m_tokIdx = line->tokens.empty() ? 0 : line->tokens.size() - 1;
                m_cur = &m_lines[m_lineIdx]->tokens[m_tokIdx];
                NextToken();
            }
        }
        if (m_limitHit) {
            aborted = true;
            break;
        }
    }
    if (!aborted)
        EndChecks();
    m_stack.clear();
}

// A word or number after a blank that follows a complete term starts another command in the
// motor; inside an expression or a parameter list nothing does.
bool CScanner::StartsCommand(const CToken& t, const CToken& prev)
{
    const bool word = !t.text.empty() && !IsSeparator(t.text[0]) && !(t.cls & (CToken::String | CToken::Comment));
    const bool afterTerm = (prev.cls & CToken::String) == 0 && !prev.text.empty() &&
                           (!IsSeparator(prev.text[0]) || prev.text == ")" || prev.text == "]");
    return word && t.blankBefore && afterTerm && t.line == prev.line;
}

void CScanner::MarkUnchecked(const CToken* fault)
{
    // A forced download writes these tokens as they stand; a command among them keeps its blank.
    CLine* line = fault->line;
    for (size_t i = static_cast<size_t>(fault->index) + 1; i < line->tokens.size(); ++i) {
        CToken& t = line->tokens[i];
        t.unchecked = true;
        t.spaceBefore = StartsCommand(t, line->tokens[i - 1]);
    }
}

const CToken* CScanner::UncheckedFlowWord() const
{
    for (const auto& line : m_lines)
        for (const CToken& t : line->tokens)
            if (t.unchecked && t.Kind() == CToken::Keyword && t.keyword && !(t.cls & (CToken::String | CToken::Comment)))
                for (const char* w : {"IF", "ELSEIF", "ELSE", "ENDIF", "SWITCH", "CASE", "DEFAULT", "BREAK",
                                      "ENDS", "WHILE", "LOOP", "CMP", "IFT", "IFF", "IFX", "GOTO", "GOSUB"})
                    if (t.keyword->Name == w)
                        return &t;
    return nullptr;
}

void CScanner::EndChecks()
{
    for (size_t i = m_stack.size(); i-- > 0;) {
        CloseBlockWithError(m_stack[i]);
        if (m_limitHit)
            return;
    }
    m_stack.clear();
    if (!m_sawEnd)
        Record(CError(CError::EndExpected));
}

void CScanner::CheckStatementStart()
{
    CToken* t = m_cur;
    t->spaceBefore = true;
    m_statement = t;
    if (!t->line->marker)
        m_lastRealStatement = t;

    if (t->cls & CToken::Indexed) {
        // A value joined to a name (A100, a5).
        if (!(m_language->Features & 0x8))
            Fail(CError::SyntaxError, t);
        if (t->keyword)
            CheckRange({COPType::MakeRange(t->value, t->value), true, t->value}, t->keyword->ReturnValue, t);
        Advance();
        return;
    }
    switch (t->Kind()) {
    case CToken::UserVariable:
        Advance();
        if (CurIs("=")) {
            Advance();
            EvalExpression(false, false);
        } else if (m_cur && (m_cur->IsNumber() || m_cur->Is("-")) && m_cur->line == t->line) {
            CheckNumberList(t, t->keyword); // a user variable holds a long
        } else {
            Fail(CError::AssignmentExpected, m_cur ? m_cur : t);
        }
        return;
    case CToken::Array: {
        const CKeyword* array = t->keyword;
        Advance();
        CheckArrayIndex(array);
        if (CurIs("=")) {
            Advance();
            CToken* first = m_cur;
            const Value v = EvalExpression(true, false);
            if (array)
                CheckRange(v, array->ReturnValue, first);
        } else if (m_cur && (m_cur->IsNumber() || m_cur->Is("-")) && m_cur->line == t->line) {
            CheckNumberList(t, array);
        } else {
            Fail(CError::AssignmentExpected, m_cur ? m_cur : t);
        }
        return;
    }
    case CToken::ArrayReport:
        Advance();
        CheckArrayIndex(t->keyword);
        return;
    case CToken::VariableReport:
        Advance();
        return;
    case CToken::KeywordReport:
        CheckStatement(t, false, true);
        return;
    case CToken::Keyword:
        if (t->keyword) {
            CheckStatement(t, false, false);
            return;
        }
        break;
    default:
        break;
    }
    if (Errors2Warnings) {
        AddAt(CError::UndefinedSymbolWarning, t, "Undefined symbol \"" + t->text + "\".");
        // The unknown command's own value or parameters go with it, unchecked.
        for (Advance(); m_cur && m_cur->line == t->line && !StartsCommand(*m_cur, *m_last); Advance())
            m_cur->unchecked = true;
        return;
    }
    Fail(CError::UndefinedSymbol, t, "Undefined symbol \"" + t->text + "\".");
}

// ---------------------------------------------------------------------------------------------
// Statements

void CScanner::CheckStatement(CToken* t, bool inExpression, bool report)
{
    const CKeyword* kw = t->keyword;
    if (!kw)
        Fail(CError::SyntaxError, t);
    if (inExpression && !(kw->Flags & CKeyword::Term))
        Fail(CError::InvalidTerm, t);
    if (!inExpression && !report && CheckBlockWord(t))
        return;
    const std::string& name = kw->Name;
    if (!report && name == "END")
        m_sawEnd = true;
    if (!report && !inExpression && (name == "GOTO" || name == "GOSUB")) {
        CheckJump(t);
        return;
    }
    const bool joined = t->hasSuffix && t->text.size() > name.size() + (report ? 1u : 0u);
    switch (kw->Type) {
    case CKeyword::NotInProgram:
        Fail(CError::NotInProgram, t);
    case CKeyword::Alone:
        Advance();
        if (!report && !inExpression && (kw->Flags & CKeyword::Settable) && CurIs("-") &&
            m_cur->line == t->line) {
            Advance();
            if (!m_cur || !m_cur->IsNumber())
                Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
            const int64_t n = SatNeg(m_cur->value);
            if (kw->OperandCount > 0)
                CheckRange({COPType::MakeRange(n, n), true, n}, kw->Operands[0], m_cur);
            Advance();
        }
        break;
    case CKeyword::Joined:
    case CKeyword::JoinedAndOperands: {
        if (joined) {
            if (name == "C" && (t->value < 0 || t->value > 999))
                Fail(CError::InvalidParameter, t);
            if (kw->OperandCount > 0)
                CheckRange({COPType::MakeRange(t->value, t->value), true, t->value}, kw->Operands[0], t);
            Advance();
        } else {
            Advance();
            if (CurIs("-")) {
                Advance();
                if (!m_cur || !m_cur->IsNumber())
                    Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
                const int64_t n = SatNeg(m_cur->value);
                if (kw->OperandCount > 0)
                    CheckRange({COPType::MakeRange(n, n), true, n}, kw->Operands[0], m_cur);
                Advance();
            } else if (!(kw->OperandCount == 0 || kw->Operands[0].Optional)) {
                Fail(CError::SyntaxError, m_cur ? m_cur : m_last);
            }
        }
        if (kw->Type == CKeyword::JoinedAndOperands)
            CheckCommaOperands(kw, 1);
        break;
    }
    case CKeyword::CommaOperands:
        Advance();
        CheckCommaOperands(kw, 0);
        break;
    case CKeyword::Parenthesised:
        CheckParenthesised(t);
        break;
    case CKeyword::PrintList:
        CheckPrintList();
        break;
    default:
        Advance();
        break;
    }
    // Assignment to a keyword: a settable keyword takes "=" and an expression checked against its
    // value range; any other keyword gives "Lvalue required.", as the engine's compiler does.
    if (!inExpression && !report && CurIs("=")) {
        if (!(kw->Flags & CKeyword::Settable))
            Fail(CError::LvalueRequired, m_cur);
        Advance();
        CToken* first = m_cur;
        const Value v = EvalExpression(true, false);
        CheckRange(v, kw->ReturnValue, first);
    }
}

void CScanner::CheckJump(CToken* t)
{
    const std::string& name = t->keyword->Name;
    int64_t n = -1;
    if (t->hasSuffix && t->text.size() > name.size()) {
        n = t->value;
        Advance();
    } else if (m_language->Features & 0x4) {
        Advance();
        if (m_cur)
            m_cur->spaceBefore = true;
        EvalExpression(false, false);
        return;
    } else {
        Advance();
        if (!m_cur || !m_cur->IsNumber())
            Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
        n = m_cur->value;
        Advance();
    }
    // Reported at the jump itself: the token after the label number may already stand on the
    // next line, which would put the message on a line that has no jump.
    if (n < 0 || n >= kLabelSlots || !m_labels[static_cast<size_t>(n)])
        Fail(CError::LabelNotFound, t);
    t->next = m_labels[static_cast<size_t>(n)];
}

// The ","-operands of a keyword from operand index `from` on, each an expression checked against
// its range; an optional operand may be left out with the rest.
// ELSE of an IF or DEFAULT of a SWITCH: the last branch of its block, linked from the branch
// before it; a second one is an error.
void CScanner::LastBranch(Block* b, CToken* t, bool Block::*seen, int32_t secondError)
{
    if (b->*seen)
        Fail(secondError, t);
    if (b->branch)
        b->branch->next = t;
    b->branch = nullptr;
    b->*seen = true;
    t->owner = b->open;
    Advance();
}

void CScanner::CheckCommaOperands(const CKeyword* kw, int from)
{
    for (int i = from; i < kw->OperandCount; ++i) {
        if (!CurIs(",")) {
            if (kw->Operands[i].Optional)
                break;
            Fail(CError::CommaExpected, m_cur ? m_cur : m_last);
        }
        Advance();
        if (CommaOperandsByType) {
            CheckOperand(kw->Operands[i]);
            continue;
        }
        CToken* first = m_cur;
        const Value v = EvalExpression(true, false);
        CheckOperandRange(v, kw->Operands[i], first);
    }
}

void CScanner::CheckParenthesised(CToken* t)
{
    const CKeyword* kw = t->keyword;
    const bool vlx = kw->Name == "VLD" || kw->Name == "VST";
    Advance();
    if (!CurIs("("))
        Fail(CError::OpenParenExpected, m_cur ? m_cur : m_last);
    Advance();
    for (int i = 0; i < kw->OperandCount; ++i) {
        if (i > 0) {
            if (CurIs(")")) {
                if (kw->Operands[i].Optional)
                    break;
                Fail(CError::InvalidParameterCount, m_cur);
            }
            if (!CurIs(","))
                Fail(CError::CommaExpected, m_cur ? m_cur : m_last);
            Advance();
        } else if (CurIs(")")) {
            if (kw->Operands[0].Optional)
                break;
            Fail(CError::InvalidParameterCount, m_cur);
        }
        if (vlx && i == 1 && m_cur && m_cur->Kind() == CToken::UserVariable &&
            !(m_cur->cls & (CToken::String | CToken::Comment))) {
            if (m_cur->text.size() > 1)
                Fail(CError::InvalidParameter, m_cur);
            Advance();
            continue;
        }
        CheckOperand(kw->Operands[i]);
    }
    if (CurIs(","))
        Fail(CError::InvalidParameterCount, m_cur);
    if (!CurIs(")"))
        Fail(CError::CloseParenExpected, m_cur ? m_cur : m_last);
    Advance();
    CheckBlank();
}

void CScanner::CheckPrintList()
{
    Advance();
    if (!CurIs("("))
        Fail(CError::OpenParenExpected, m_cur ? m_cur : m_last);
    Advance();
    if (!CurIs(")")) {
        for (;;) {
            if (CurIs("#")) {
                Advance();
                if (!m_cur || !m_cur->IsNumber())
                    Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
                Advance();
            } else if (CurIs("\"")) {
                CheckString();
            } else {
                EvalExpression(false, true);
            }
            if (CurIs(",")) {
                Advance();
                continue;
            }
            if (CurIs(")"))
                break;
            Fail(CError::CommaExpected, m_cur ? m_cur : m_last);
        }
    }
    Advance();
    CheckBlank();
}

void CScanner::CheckString()
{
    if (!CurIs("\""))
        Fail(CError::QuoteExpected, m_cur ? m_cur : m_last);
    Advance();
    if (!m_cur || !(m_cur->cls & CToken::String))
        Fail(CError::StringExpected, m_cur ? m_cur : m_last);
    if (m_cur->unterminated)
        Fail(CError::NewLineInString, m_cur);
    Advance();
    if (!CurIs("\""))
        Fail(CError::QuoteExpected, m_cur ? m_cur : m_last);
    Advance();
}

void CScanner::CheckOperand(const COPType& decl)
{
    CToken* first = m_cur;
    if (decl.Expression) {
        const Value v = EvalExpression(true, false);
        CheckOperandRange(v, decl, first);
        return;
    }
    switch (decl.Type) {
    case COPType::String:
        CheckString();
        return;
    case COPType::Hash:
        if (!CurIs("#"))
            Fail(CError::HashExpected, m_cur ? m_cur : m_last);
        Advance();
        if (!m_cur || !m_cur->IsNumber())
            Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
        Advance();
        return;
    case COPType::Word:
        if (!m_cur || (m_cur->cls & (CToken::String | CToken::Comment)) || !InWordList(decl.Strings, m_cur->text))
            Fail(CError::InvalidParameter, m_cur ? m_cur : m_last);
        Advance();
        return;
    case COPType::UserVariable:
        if (m_cur && m_cur->Kind() == CToken::UserVariable && !(m_cur->cls & CToken::String)) {
            Advance();
            return;
        }
        if (m_cur && m_cur->Kind() == CToken::Array && !(m_cur->cls & CToken::String)) {
            const CKeyword* array = m_cur->keyword;
            Advance();
            CheckArrayIndex(array);
            return;
        }
        Fail(CError::UserVariableExpected, m_cur ? m_cur : m_last);
    case COPType::BaudRate: {
        bool neg = false;
        if (CurIs("-")) {
            neg = true;
            Advance();
        }
        if (!m_cur || !m_cur->IsNumber())
            Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
        const int64_t n = neg ? SatNeg(m_cur->value) : m_cur->value;
        if (!IsBaudRate(n))
            AddAt(CError::InvalidBaudRate, m_cur);
        Advance();
        return;
    }
    default: {
        bool neg = false;
        if (CurIs("-")) {
            neg = true;
            Advance();
        }
        if (!m_cur || !m_cur->IsNumber())
            Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
        const int64_t n = neg ? SatNeg(m_cur->value) : m_cur->value;
        CheckRange({COPType::MakeRange(n, n), true, n}, decl, first);
        Advance();
        return;
    }
    }
}

void CScanner::CheckArrayIndex(const CKeyword* array)
{
    if (!CurIs("["))
        Fail(CError::OpenBracketExpected, m_cur ? m_cur : m_last);
    Advance();
    auto oneLetter = [&] {
        return m_cur && m_cur->Kind() == CToken::UserVariable && !(m_cur->cls & CToken::String) &&
               m_cur->text.size() == 1;
    };
    if (m_cur && m_cur->IsNumber()) {
        if (array && array->OperandCount > 0)
            CheckRange({COPType::MakeRange(m_cur->value, m_cur->value), true, m_cur->value},
                       array->Operands[0], m_cur);
        Advance();
    } else if (oneLetter()) {
        Advance();
        if (CurIs("+") || CurIs("-")) {
            Advance();
            if (!oneLetter())
                Fail(CError::SyntaxError, m_cur ? m_cur : m_last);
            Advance();
        }
    } else {
        Fail(CError::SyntaxError, m_cur ? m_cur : m_last);
    }
    if (!CurIs("]"))
        Fail(CError::CloseBracketExpected, m_cur ? m_cur : m_last);
    Advance();
}

void CScanner::CheckNumberList(CToken* start, const CKeyword* array)
{
    const CLine* line = start->line;
    for (;;) {
        CToken* t = m_cur;
        if (!t) {
            AddAt(CError::PeriodExpected, m_last);
            return;
        }
        if (!(t->IsNumber() || t->Is("-"))) {
            AddAt(CError::PeriodExpected, t);
            return;
        }
        if (t->line != line) {
            AddAt(CError::PeriodExpected, t);
            Fail(CError::SyntaxError, t);
        }
        if (!t->blankBefore)
            Fail(CError::SyntaxError, t);
        t->spaceBefore = true;
        CToken* num = t;
        bool neg = false;
        if (t->Is("-")) {
            neg = true;
            Advance();
            num = m_cur;
            if (!num || !num->IsNumber())
                Fail(CError::NumberExpected, num ? num : t);
            if (num->line != t->line || num->column != t->column + 1)
                Fail(CError::SyntaxError, num);
        }
        const int64_t n = neg ? SatNeg(num->value) : num->value;
        // Each number is stored into an element as "=" would store it, so it gets the range
        // warning the "=" form gets: otherwise 200 in a byte array is cut without a word. A
        // warning only (with CheckNumRange): the compiled program is the same.
        if (array)
            CheckRange({COPType::MakeRange(n, n), true, n}, array->ReturnValue, num);
        Advance();
        if (m_cur && m_cur->Is(".") && m_cur->line == num->line &&
            m_cur->column == num->column + static_cast<int32_t>(num->text.size())) {
            Advance();
            return;
        }
    }
}

void CScanner::CheckBlank()
{
    if (m_cur && m_last && m_cur->line == m_last->line && !m_cur->WellSeparated())
        Fail(CError::SpaceExpected, m_cur);
}

// ---------------------------------------------------------------------------------------------
// Expressions and ranges

CScanner::Value CScanner::EvalExpression(bool wantRange, bool warnHash)
{
    // Functions with operands may nest inside expressions; bound the depth so that no input
    // can exhaust the stack.
    struct Depth {
        int& d;
        explicit Depth(int& v) : d(++v) {}
        ~Depth() { --d; }
    } depth(m_exprDepth);
    if (m_exprDepth > kMaxExpressionDepth)
        Fail(CError::SyntaxError, m_cur ? m_cur : m_last, "Expression nested too deeply.");
    CToken* first = m_cur;
    Value a = EvalTerm(wantRange);
    if (!(m_cur && m_cur->IsOperator())) {
        if (warnHash && a.exact && a.constant >= 1 && a.constant <= 255)
            AddAt(CError::MissingHash, first);
        return a;
    }
    const std::string op = m_cur->text;
    CToken* opToken = m_cur;
    Advance();
    Value b = EvalTerm(wantRange);
    Value r;
    if (a.exact && b.exact) {
        r.exact = true;
        if (op == "+")
            r.constant = SatAdd(a.constant, b.constant);
        else if (op == "-")
            r.constant = SatSub(a.constant, b.constant);
        else if (op == "*")
            r.constant = SatMul(a.constant, b.constant);
        else if (op == "/") {
            if (b.constant == 0) {
                AddAt(CError::ConstantOutOfRange, opToken, "Constant out of range. (Division by zero)");
                r.exact = false;
                r.type = COPType::MakeAny();
                return r;
            }
            r.constant = (a.constant == kInt64Min && b.constant == -1) ? kInt64Max : a.constant / b.constant;
        } else {
            r.constant = 0;
        }
        r.type = COPType::MakeRange(r.constant, r.constant);
        if (r.constant < kInt32Min || r.constant > kInt32Max)
            AddAt(CError::ConstantOutOfRange, first, "Constant out of range. (-2147483648 .. 2147483647)");
        return r;
    }
    if (wantRange)
        r.type = a.type.Hull(b.type);
    return r;
}

CScanner::Value CScanner::EvalTerm(bool wantRange)
{
    (void)wantRange;
    bool magnitude = false, negate = false;
    if (CurIs("|")) {
        if (!(m_language->Features & 0x1))
            Fail(CError::SyntaxError, m_cur);
        magnitude = true;
        Advance();
    }
    if (CurIs("-")) {
        negate = true;
        Advance();
    }
    CToken* t = m_cur;
    if (!t)
        Fail(CError::InvalidTerm, m_last);
    Value v;
    const uint32_t kind = t->Kind();
    if (t->cls & (CToken::String | CToken::Comment)) {
        Fail(CError::InvalidTerm, t);
    } else if (t->IsNumber()) {
        v.exact = true;
        v.constant = t->value;
        if (!negate && v.constant > kInt32Max)
            AddAt(CError::ConstantOutOfRange, t, "Constant out of range. (-2147483648 .. 2147483647)");
        else if (negate && v.constant > kInt32Max + 1)
            AddAt(CError::ConstantOutOfRange, t, "Constant out of range. (-2147483648 .. 2147483647)");
        Advance();
    } else if (t->cls & CToken::Indexed) {
        if (Errors2Warnings) {
            AddAt(CError::UndefinedSymbolWarning, t, "Undefined symbol \"" + t->text + "\".");
            v.type = COPType::MakeAny();
            Advance();
        } else {
            Fail(CError::UndefinedSymbol, t, "Undefined symbol \"" + t->text + "\".");
        }
    } else if (kind == CToken::KeywordReport || kind == CToken::VariableReport || kind == CToken::ArrayReport) {
        Fail(CError::InvalidTerm, t);
    } else if (kind == CToken::UserVariable) {
        v.type = t->keyword ? t->keyword->ReturnValue : COPType::MakeAny();
        Advance();
    } else if (kind == CToken::Array) {
        const CKeyword* array = t->keyword;
        Advance();
        CheckArrayIndex(array);
        v.type = array ? array->ReturnValue : COPType::MakeAny();
    } else if (kind == CToken::Keyword && t->keyword) {
        CheckStatement(t, true, false);
        v.type = t->keyword->ReturnValue;
    } else if (!t->text.empty() && !IsSeparator(t->text[0])) {
        if (Errors2Warnings) {
            AddAt(CError::UndefinedSymbolWarning, t, "Undefined symbol \"" + t->text + "\".");
            v.type = COPType::MakeAny();
            Advance();
        } else {
            Fail(CError::UndefinedSymbol, t, "Undefined symbol \"" + t->text + "\".");
        }
    } else {
        Fail(CError::InvalidTerm, t);
    }
    if (v.type.Type == COPType::None && !v.exact)
        v.type = COPType::MakeAny();
    if (negate) {
        if (v.exact)
            v.constant = SatNeg(v.constant);
        else
            v.type.Negate();
    }
    if (magnitude) {
        if (v.exact)
            v.constant = v.constant < 0 ? SatNeg(v.constant) : v.constant;
        else
            v.type.MakeMagnitude();
        if (!CurIs("|"))
            Fail(CError::BarExpected, m_cur ? m_cur : m_last);
        Advance();
    }
    if (v.exact)
        v.type = COPType::MakeRange(v.constant, v.constant);
    CheckBlank();
    return v;
}

std::string CScanner::RangeText(const COPType& d)
{
    if (d.Type != COPType::Range)
        return "Constant out of range.";
    if (d.Min == 1 && d.Max == 2147483647)
        return "Constant out of range. (Positive Number Required)";
    if (d.Min == 0 && d.Max == 2147483647)
        return "Constant out of range. (Non-Negative Number Required)";
    if (d.Min == std::numeric_limits<int32_t>::min() && d.Max == 0)
        return "Constant out of range. (Non-Positive Number Required)";
    if (d.Min == std::numeric_limits<int32_t>::min() && d.Max == -1)
        return "Constant out of range. (Negative Number Required)";
    char buf[80];
    std::snprintf(buf, sizeof buf, "Constant out of range. (%d .. %d)", static_cast<int>(d.Min),
                  static_cast<int>(d.Max));
    return buf;
}

void CScanner::CheckRange(const Value& v, const COPType& declared, const CToken* at)
{
    // Ranges are checked only against declared ranges (2) and baud rates (6).
    if (declared.Type != COPType::Range && declared.Type != COPType::BaudRate)
        return;
    if (v.exact) {
        if (CheckNumRange && !declared.FitsConstant(v.constant))
            AddAt(CError::ConstantOutOfRange, at, RangeText(declared));
        return;
    }
    if (CheckParamRange && declared.Type == COPType::Range &&
        (v.type.Type == COPType::Range || v.type.Type == COPType::AnyNumber) &&
        !(WarnPartialRange ? declared.FitsWithin(v.type) : declared.Overlaps(v.type)))
        AddAt(CError::RangeMismatch, at);
}

void CScanner::CheckOperandRange(const Value& v, const COPType& declared, const CToken* at)
{
    if (!(WarnPartialRange && declared.Expression && !v.exact))
        CheckRange(v, declared, at);
}

// ---------------------------------------------------------------------------------------------
// Block structure

void CScanner::Push(CToken* t)
{
    if (static_cast<int>(m_stack.size()) >= kMaxDepth)
        Fail(CError::TooDeep, t);
    m_stack.push_back({t, t, false, false});
}

void CScanner::CloseBlockWithError(const Block& b)
{
    int32_t code = CError::IfWithoutEndif;
    if (b.open->text == "SWITCH")
        code = CError::SwitchWithoutEnds;
    else if (b.open->text == "WHILE")
        code = CError::WhileWithoutLoop;
    else if (b.open->text == "CMP")
        code = CError::CmpWithoutIfx;
    AddAt(code, b.open);
}

CScanner::Block* CScanner::FindBlock(std::string_view name, int32_t notFound)
{
    CToken* at = m_cur;
    for (size_t i = m_stack.size(); i-- > 0;) {
        if (m_stack[i].open->text == name) {
            while (m_stack.size() > i + 1) {
                CloseBlockWithError(m_stack.back());
                m_stack.pop_back();
            }
            return &m_stack[i];
        }
    }
    while (!m_stack.empty()) {
        CloseBlockWithError(m_stack.back());
        m_stack.pop_back();
    }
    Fail(notFound, at);
}

bool CScanner::CheckBlockWord(CToken* t)
{
    const std::string& w = t->text;
    if (w == "IF") {
        Push(t);
        Advance();
        EvalExpression(false, false);
    } else if (w == "ELSEIF") {
        Block* b = FindBlock("IF", CError::ElseifWithoutIf);
        if (b->elseSeen)
            Fail(CError::ElseifAfterElse, t);
        if (b->branch)
            b->branch->next = t;
        b->branch = t;
        t->owner = b->open;
        Advance();
        EvalExpression(false, false);
    } else if (w == "ELSE") {
        LastBranch(FindBlock("IF", CError::ElseWithoutIf), t, &Block::elseSeen, CError::SecondElse);
    } else if (w == "ENDIF") {
        Block* b = FindBlock("IF", CError::EndifWithoutIf);
        b->open->owner = t;
        if (b->branch)
            b->branch->next = t;
        t->owner = b->open;
        m_stack.pop_back();
        Advance();
    } else if (w == "SWITCH") {
        Push(t);
        Advance();
        EvalExpression(false, false);
        if (!CurIs("CASE"))
            Fail(CError::CaseExpected, m_cur ? m_cur : m_last);
    } else if (w == "CASE") {
        Block* b = FindBlock("SWITCH", CError::CaseWithoutSwitch);
        if (b->defaultSeen)
            Fail(CError::CaseAfterDefault, t);
        if (b->branch)
            b->branch->next = t;
        b->branch = t;
        t->owner = b->open;
        Advance();
        bool negative = false;
        if (CurIs("-")) {
            negative = true;
            m_cur->spaceBefore = true;
            Advance();
            if (!m_cur || !m_cur->IsNumber())
                Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
        } else {
            if (!m_cur || !m_cur->IsNumber())
                Fail(CError::NumberExpected, m_cur ? m_cur : m_last);
            m_cur->spaceBefore = true;
        }
        // The selector is a 32-bit value in the motor.
        const int64_t n = negative ? SatNeg(m_cur->value) : m_cur->value;
        CheckRange({COPType::MakeRange(n, n), true, n}, COPType::MakeRange(kInt32Min, kInt32Max), m_cur);
        Advance();
    } else if (w == "DEFAULT") {
        LastBranch(FindBlock("SWITCH", CError::DefaultWithoutSwitch), t, &Block::defaultSeen, CError::SecondDefault);
    } else if (w == "BREAK") {
        // The innermost SWITCH, else the innermost WHILE; nothing is closed.
        CToken* target = nullptr;
        for (size_t i = m_stack.size(); i-- > 0 && !target;)
            if (m_stack[i].open->text == "SWITCH")
                target = m_stack[i].open;
        for (size_t i = m_stack.size(); i-- > 0 && !target;)
            if (m_stack[i].open->text == "WHILE")
                target = m_stack[i].open;
        if (!target)
            Fail(CError::BreakOutside, t);
        t->owner = target;
        Advance();
    } else if (w == "ENDS") {
        Block* b = FindBlock("SWITCH", CError::EndsWithoutSwitch);
        b->open->owner = t;
        if (b->branch && b->branch != b->open)
            b->branch->next = t;
        else if (b->branch == b->open)
            b->open->next = t; // a SWITCH without any CASE
        t->owner = b->open;
        m_stack.pop_back();
        Advance();
    } else if (w == "WHILE") {
        Push(t);
        Advance();
        EvalExpression(false, false);
    } else if (w == "LOOP") {
        Block* b = FindBlock("WHILE", CError::LoopWithoutWhile);
        CToken* loopOf = b->open;
        m_stack.pop_back();
        t->owner = loopOf;
        Advance();
        loopOf->owner = m_cur;
        loopOf->ownerIsEnd = m_cur == nullptr;
    } else if (w == "CMP") {
        Push(t);
        Advance();
        EvalExpression(false, false);
    } else if (w == "IFT") {
        FindBlock("CMP", CError::IftWithoutCmp);
        Advance();
    } else if (w == "IFF") {
        FindBlock("CMP", CError::IffWithoutCmp);
        Advance();
    } else if (w == "IFX") {
        FindBlock("CMP", CError::IfxWithoutCmp);
        m_stack.pop_back();
        Advance();
    } else {
        return false;
    }
    return true;
}
