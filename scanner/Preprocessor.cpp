// Preprocessor, tokenizing of all lines, defines and labels.
#include "scanner/Scanner.h"
#include "platform/fs/ReadFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace {

// A directive word at the start of the line, followed by the end or a non-name character.
bool StartsWithWord(const std::string& line, const char* word)
{
    const size_t n = std::strlen(word);
    if (line.compare(0, n, word) != 0)
        return false;
    if (line.size() == n)
        return true;
    const unsigned char c = static_cast<unsigned char>(line[n]);
    return !(std::isalnum(c) || c == '_');
}

std::string TrimBlanks(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return std::string(s.substr(b, e - b));
}

// The word after a directive.
std::string DirectiveArgument(const std::string& line, size_t skip)
{
    std::string rest = TrimBlanks(std::string_view(line).substr(std::min(skip, line.size())));
    const size_t end = rest.find_first_of(" \t'");
    return end == std::string::npos ? rest : rest.substr(0, end);
}

CError CannotOpenInclude(const std::string& name)
{
    char buf[600];
    std::snprintf(buf, sizeof buf, "Cannot open the include file '%s'.", name.c_str());
    return CError(CError::CannotOpenInclude, -1, -1, buf, nullptr);
}

std::string Normal(const std::string& path)
{
    if (path.empty())
        return path;
    return std::filesystem::path(path).lexically_normal().string();
}

} // namespace

bool CScanner::Skipping() const
{
    for (const Condition& c : m_conditions)
        if (!c.taking)
            return true;
    return false;
}

std::string CScanner::FolderOf(int fileIndex) const
{
    const std::string& file = fileIndex < 0 ? m_mainFile : m_includes[static_cast<size_t>(fileIndex)];
    if (file.empty())
        return ".";
    std::filesystem::path p(file);
    const std::string folder = p.parent_path().string();
    return folder.empty() ? "." : folder;
}

void CScanner::AddLine(std::string text, int indent, int fileIndex, int lineNumber, bool marker)
{
    if (static_cast<int>(m_lines.size()) >= kMaxLines) {
        if (!m_lineLimitReported) {
            m_lineLimitReported = true;
            char buf[120];
            std::snprintf(buf, sizeof buf, "Too many lines: a program holds at most %d lines.",
                          kMaxLines);
            throw CError(CError::SyntaxError, -1, -1, buf, nullptr);
        }
        return;
    }
    std::unique_ptr<CLine> line;
    if (m_spareLines.empty()) {
        line = std::make_unique<CLine>(&m_tokenStore);
    } else {
        line = std::move(m_spareLines.back());
        m_spareLines.pop_back();
        line->DropTokens();
    }
    line->index = static_cast<int32_t>(m_lines.size());
    line->text = std::move(text);
    line->indent = indent;
    line->fileIndex = fileIndex;
    line->fileName = fileIndex >= 0 ? &m_includes[static_cast<size_t>(fileIndex)] : nullptr;
    line->lineNumber = lineNumber;
    line->marker = marker;
    m_lines.push_back(std::move(line));
}

void CScanner::InsertIncludeMarker(int fileIndex, bool start)
{
    const std::string& name = m_includes[static_cast<size_t>(fileIndex)];
    std::string text = std::string("IF 0 PRINT(\"") + (start ? "Start" : "End") +
                       " Include: " + name + "\") ENDIF";
    AddLine(std::move(text), 0, -1, -1, true);
}

void CScanner::AddStartupCode()
{
    if (m_language->InitFile.empty())
        return;
    for (const char* l : {"GOTO _ONRUN", "GOSUB _ONPOWER", "GOTO _ONRUN", "_ONPOWER:"})
        AddLine(l, 0, -1, -1, false);
    // The language file names a file of the Include folder: a name with a folder part would
    // reach outside it.
    const std::string& init = m_language->InitFile;
    if (init.find_first_of("/\\") != std::string::npos || init == "." || init == "..")
        throw CannotOpenInclude(init);
    const std::string include = "#include \"" + ProgramFolder() + "/Include/" + init + "\"";
    DoDirective(include, -1, 0);
    for (const char* l : {"RETURN", "IF 0 PRINT(\"END_OF_INIT\") ENDIF", "_ONRUN:"})
        AddLine(l, 0, -1, -1, false);
}

void CScanner::Preprocess(std::string_view text, int fileIndex, int depth)
{
    const std::string fileName = fileIndex < 0 ? std::string() : m_includes[static_cast<size_t>(fileIndex)];
    // Each file has its own conditional state.
    std::vector<Condition> outer;
    outer.swap(m_conditions);
    int lineNumber = 0;
    int lastLine = -1;
    try {
        if (fileIndex >= 0 && m_insertMarker)
            InsertIncludeMarker(fileIndex, true);
        if (fileIndex < 0)
            AddStartupCode();
        size_t pos = 0;
        const size_t n = text.size();
        while (pos < n && !m_lineLimitReported && !m_limitHit) {
            size_t end = pos;
            while (end < n && text[end] != '\r' && text[end] != '\n')
                ++end;
            std::string_view raw = text.substr(pos, end - pos);
            // CR, LF and CR LF each end one physical line.
            pos = end;
            if (pos < n)
                pos += (text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n') ? 2 : 1;
            lastLine = lineNumber;
            size_t indent = 0;
            while (indent < raw.size() && (raw[indent] == ' ' || raw[indent] == '\t'))
                ++indent;
            std::string line = TrimBlanks(raw.substr(indent));
            if (!line.empty() && DoDirective(line, fileIndex, depth))
                AddLine(std::move(line), static_cast<int>(indent), fileIndex, lineNumber, false);
            ++lineNumber;
        }
        if (!m_conditions.empty())
            throw CError(CError::EndifExpected);
        if (fileIndex >= 0 && m_insertMarker)
            InsertIncludeMarker(fileIndex, false);
    } catch (CError& e) {
        // A directive error ends the reading of this file.
        e.line = lastLine;
        e.column = lastLine >= 0 ? 0 : -1;
        e.fileName = fileName;
        Record(e);
    }
    m_conditions.swap(outer);
}

bool CScanner::DoDirective(const std::string& line, int fileIndex, int depth)
{
    if (line[0] != '#')
        return !Skipping();
    if (Skipping()) {
        // Only the conditionals count while skipping; they nest.
        if (StartsWithWord(line, "#ifdef") || StartsWithWord(line, "#ifndef")) {
            m_conditions.push_back({false, false});
            m_conditions.back().stray = false;
        } else if (StartsWithWord(line, "#else")) {
            Condition& top = m_conditions.back();
            const bool parentSkipping =
                std::any_of(m_conditions.begin(), m_conditions.end() - 1, [](const Condition& c) { return !c.taking; });
            if (top.stray)
                m_conditions.pop_back();
            else if (!parentSkipping)
                top.taking = !top.taking;
        } else if (StartsWithWord(line, "#endif")) {
            m_conditions.pop_back();
        }
        return false;
    }
    if (StartsWithWord(line, "#include")) {
        const size_t q = line.find('"');
        if (q == std::string::npos)
            throw CError(CError::SyntaxError);
        std::string name = line.substr(q + 1);
        if (const size_t a = name.find('\''); a != std::string::npos)
            name.erase(a);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '"'))
            name.pop_back();
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.empty() || path[0] != '/')
            path = FolderOf(fileIndex) + "/" + path;
        path = Normal(path);
        if (!m_mainFile.empty() && path == Normal(m_mainFile))
            return false;
        int slot = -1;
        for (int i = 0; i < kMaxIncludes; ++i) {
            if (m_includes[i] == path)
                return false;
            if (slot < 0 && m_includes[i].empty())
                slot = i;
        }
        if (slot < 0)
            throw CError(CError::TooManyIncludes);
        std::string text;
        if (!platform::ReadWholeFile(path, text, kMaxSourceFile))
            throw CannotOpenInclude(name);
        m_includes[slot] = path;
        Preprocess(PlainText(text), slot, depth + 1);
        return false;
    }
    if (StartsWithWord(line, "#define")) {
        std::string rest = TrimBlanks(std::string_view(line).substr(7));
        const size_t sp = rest.find_first_of(" \t");
        std::string name = sp == std::string::npos ? rest : rest.substr(0, sp);
        std::string value = sp == std::string::npos ? std::string() : rest.substr(sp);
        if (const size_t a = value.find('\''); a != std::string::npos)
            value.erase(a);
        value = TrimBlanks(value);
        if (name.empty())
            throw CError(CError::SyntaxError);
        if (m_language->Find(name))
            throw CError(CError::ReservedKeyword);
        CLine tmp;
        tmp.index = static_cast<int32_t>(m_lines.size());
        tmp.text = value;
        tmp.GetTokens(*m_language);
        SubstituteDefines(tmp);
        if (tmp.tokens.size() > static_cast<size_t>(kMaxDefineTokens)) {
            char buf[120];
            std::snprintf(buf, sizeof buf, "Definition too long: at most %d tokens.", kMaxDefineTokens);
            throw CError(CError::SyntaxError, -1, -1, buf, nullptr);
        }
        std::string joined;
        std::vector<CToken> tokens;
        for (CToken& t : tmp.tokens) {
            if (t.cls & CToken::Comment)
                continue;
            joined += t.text;
            t.line = nullptr;
            tokens.push_back(t);
        }
        for (const Define& d : m_defines) {
            if (d.name == name) {
                if (d.value == joined)
                    return false;
                throw CError(CError::Redefinition);
            }
        }
        if (static_cast<int>(m_defines.size()) >= kMaxDefines) {
            char buf[120];
            std::snprintf(buf, sizeof buf, "Too many defines: at most %d.", kMaxDefines);
            throw CError(CError::SyntaxError, -1, -1, buf, nullptr);
        }
        m_defines.push_back({std::move(name), std::move(joined), std::move(tokens),
                             static_cast<int>(m_lines.size())});
        return false;
    }
    if (StartsWithWord(line, "#ifdef")) {
        const std::string name = DirectiveArgument(line, 6);
        bool defined = m_language->Find(name) != nullptr;
        for (const Define& d : m_defines)
            defined = defined || d.name == name;
        m_conditions.push_back({defined, false});
        return false;
    }
    if (StartsWithWord(line, "#ifndef")) {
        const std::string name = DirectiveArgument(line, 7);
        bool defined = false;
        for (const Define& d : m_defines)
            defined = defined || d.name == name;
        m_conditions.push_back({!defined, false});
        return false;
    }
    if (StartsWithWord(line, "#else")) {
        if (m_conditions.empty())
            m_conditions.push_back({false, true}); // skip to the next #else or #endif
        else
            m_conditions.back().taking = !m_conditions.back().taking;
        return false;
    }
    if (StartsWithWord(line, "#endif")) {
        if (!m_conditions.empty())
            m_conditions.pop_back();
        return false;
    }
    throw CError(CError::SyntaxError);
}

void CScanner::SubstituteDefines(CLine& line)
{
    if (m_defines.empty())
        return;
    bool any = false;
    for (const CToken& t : line.tokens) {
        if (t.cls & (CToken::String | CToken::Comment))
            continue;
        for (const Define& d : m_defines)
            if (d.lineCount <= line.index && d.name == t.text) {
                any = true;
                break;
            }
        if (any)
            break;
    }
    if (!any)
        return;
    std::pmr::vector<CToken> out(line.tokens.get_allocator());
    out.reserve(line.tokens.size() + 8);
    for (const CToken& t : line.tokens) {
        const Define* hit = nullptr;
        if (!(t.cls & (CToken::String | CToken::Comment)))
            for (const Define& d : m_defines)
                if (d.lineCount <= line.index && d.name == t.text) {
                    hit = &d;
                    break;
                }
        if (!hit) {
            out.push_back(t);
            continue;
        }
        for (size_t i = 0; i < hit->tokens.size(); ++i) {
            CToken c = hit->tokens[i];
            c.column = t.column;
            if (i == 0)
                c.blankBefore = t.blankBefore;
            out.push_back(std::move(c));
        }
    }
    line.tokens = std::move(out);
    for (size_t i = 0; i < line.tokens.size(); ++i) {
        line.tokens[i].index = static_cast<int32_t>(i);
        line.tokens[i].line = &line;
    }
}

void CScanner::TokenizeLines()
{
    // Every line's array comes from the one block the store is asked for here.
    size_t bytes = 0;
    for (auto& line : m_lines) {
        line->DropTokens();
        bytes += line->TokenBound() * sizeof(CToken) + alignof(CToken);
    }
    for (auto& line : m_spareLines)
        line->DropTokens();
    m_tokenStore.Rewind(bytes);
    for (auto& line : m_lines)
        line->GetTokens(*m_language);
}

void CScanner::TokenizeAll()
{
    TokenizeLines();
    for (auto& line : m_lines)
        SubstituteDefines(*line);
    RegisterLabels();
    if (!m_limitHit)
        CollectLabels();
}

void CScanner::RegisterLabels()
{
    for (auto& line : m_lines) {
        for (CToken& t : line->tokens) {
            if (t.cls & (CToken::String | CToken::Comment))
                continue;
            if (t.text.size() < 2 || t.text[0] != 'C' || !t.hasSuffix || t.value >= kLabelSlots)
                continue;
            if (t.text.find_first_not_of("0123456789", 1) != std::string::npos)
                continue;
            const size_t slot = static_cast<size_t>(t.value);
            if (m_labels[slot]) {
                if (!Record([&] {
                        CError e(CError::DuplicateLabels);
                        PlaceError(e, &t);
                        return e;
                    }()))
                    return;
                continue;
            }
            m_labels[slot] = &t;
            m_highestLabel = std::max<int32_t>(m_highestLabel, static_cast<int32_t>(slot));
        }
    }
}

void CScanner::CollectLabels()
{
    std::unordered_map<std::string, int> symbols;
    int nextSlot = kFirstSymbolicLabel;
    for (auto& line : m_lines) {
        for (CToken& t : line->tokens) {
            if ((t.cls & (CToken::String | CToken::Comment)) || t.text.size() < 2 || t.text.back() != ':')
                continue;
            const std::string name = t.text.substr(0, t.text.size() - 1);
            if (auto dup = symbols.find(name); dup != symbols.end()) {
                // Reported once; the token becomes the same label, as a repeated "C3" stays "C3".
                CError e(CError::DuplicateLabels);
                PlaceError(e, &t);
                if (!Record(e))
                    return;
                t.Set(std::string("C").append(std::to_string(dup->second)), t.index, t.line, t.column, *m_language, false);
                continue;
            }
            while (nextSlot <= kLastSymbolicLabel && m_labels[static_cast<size_t>(nextSlot)])
                ++nextSlot;
            if (nextSlot > kLastSymbolicLabel) {
                char buf[120];
                std::snprintf(buf, sizeof buf, "Too many labels: at most %d symbolic labels fit.",
                              kLastSymbolicLabel - kFirstSymbolicLabel + 1);
                CError e(CError::SyntaxError, -1, -1, buf, nullptr);
                PlaceError(e, &t);
                if (!Record(e))
                    return;
                continue;
            }
            symbols.emplace(name, nextSlot);
            t.Set(std::string("C").append(std::to_string(nextSlot)), t.index, t.line, t.column, *m_language, false);
            m_labels[static_cast<size_t>(nextSlot)] = &t;
            m_highestLabel = std::max<int32_t>(m_highestLabel, nextSlot);
        }
    }
    if (symbols.empty())
        return;
    for (auto& line : m_lines) {
        for (size_t i = 1; i < line->tokens.size(); ++i) {
            CToken& t = line->tokens[i];
            const CToken& prev = line->tokens[i - 1];
            if ((t.cls & (CToken::String | CToken::Comment)) || !(prev.Is("GOTO") || prev.Is("GOSUB")))
                continue;
            auto it = symbols.find(t.text);
            if (it == symbols.end())
                continue;
            char buf[8];
            std::snprintf(buf, sizeof buf, "%03d", it->second);
            t.text = buf;
            t.cls = CToken::Number;
            t.value = it->second;
            t.keyword = nullptr;
            t.hasSuffix = true;
        }
    }
}
