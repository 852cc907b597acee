#include "scanner/LanguageTable.h"
#include "platform/fs/ReadFile.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

struct RangeClass {
    int cls;
    int32_t min;
    int32_t max;
};

constexpr RangeClass kRanges[] = {
    {3, 0, 1},       {4, 0, 2},        {5, 1, 4},         {6, 0, 15},       {7, 0, 50},
    {8, 0, 63},      {9, 0, 101},      {10, 2, 100},      {11, 0, 120},     {12, 0, 127},
    {13, 0, 203},    {14, -128, 127},  {15, 0, 255},      {16, 0, 999},     {17, 0, 1023},
    {18, 0, 32767},  {19, -32768, 32767}, {20, 0, 65535}, {21, 0, 2147483647},
    {22, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()},
    {24, 8, 8},      {29, 0, 16777215},
};

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

bool ParseKind(const std::string& w, uint32_t& kind)
{
    static const struct {
        const char* name;
        uint32_t kind;
    } kinds[] = {{"var", kKindVar},   {"cmd", kKindCmd},     {"func", kKindFunc},
                 {"cmd1", kKindCmd1}, {"cmdn", kKindCmdN},   {"print", kKindPrint},
                 {"list", kKindList}};
    for (const auto& k : kinds)
        if (w == k.name) {
            kind = k.kind;
            return true;
        }
    return false;
}

bool ParseClass(const std::string& w, uint32_t& cls)
{
    cls = 0;
    if (w == "-")
        return true;
    for (char c : w) {
        if (c == 'S')
            cls |= kClassSet;
        else if (c == 'R')
            cls |= kClassReport;
        else if (c == 'T')
            cls |= kClassTerm;
        else
            return false;
    }
    return true;
}

bool ParseCode(const std::string& w, int& code, bool& optional)
{
    size_t i = 0;
    while (i < w.size() && std::isdigit(static_cast<unsigned char>(w[i])))
        ++i;
    if (i == 0 || i > 3)
        return false;
    code = std::atoi(w.substr(0, i).c_str());
    optional = false;
    for (; i < w.size(); ++i) {
        if (w[i] == 'x')
            code |= kCodeExpression;
        else if (w[i] == '?')
            optional = true;
        else
            return false;
    }
    const int cls = code & ~kCodeExpression;
    return cls >= 3 && cls <= 29;
}

bool ParseSignature(const std::string& w, CLanguageRow& row)
{
    if (w == "-")
        return true;
    const size_t eq = w.find('=');
    const std::string params = w.substr(0, eq);
    if (eq != std::string::npos) {
        bool opt = false;
        if (!ParseCode(w.substr(eq + 1), row.value, opt) || opt)
            return false;
    }
    std::stringstream ss(params);
    std::string item;
    while (std::getline(ss, item, ',')) {
        int code = 0;
        bool opt = false;
        if (!ParseCode(item, code, opt))
            return false;
        row.params.push_back(code);
        row.optional.push_back(opt);
    }
    return row.params.size() <= CKeyword::kMaxOperands;
}

bool ParseOptions(const std::string& w, CLanguageRow& row)
{
    if (w == "-")
        return true;
    std::stringstream ss(w);
    std::string item;
    while (std::getline(ss, item, ',')) {
        if (item == "vqx")
            row.engine = false;
        else if (item == "flow")
            row.flow = true;
        else if (item == "label")
            row.label = true;
        else if (item == "host")
            row.host = true;
        else
            return false;
    }
    return true;
}

// Reads a double-quoted help text with \" and \\ escapes.
bool ParseHelp(std::string_view rest, size_t& pos, std::string& help)
{
    while (pos < rest.size() && std::isspace(static_cast<unsigned char>(rest[pos])))
        ++pos;
    if (pos >= rest.size() || rest[pos] != '"')
        return false;
    ++pos;
    while (pos < rest.size()) {
        char c = rest[pos++];
        if (c == '\\' && pos < rest.size()) {
            help += rest[pos++];
        } else if (c == '"') {
            return true;
        } else {
            help += c;
        }
    }
    return false;
}

bool ParseHeader(const std::string& line, CLanguageTable& t, std::string& error)
{
    size_t sp = line.find_first_of(" \t");
    const std::string key = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
    const std::string value = sp == std::string::npos ? std::string() : Trim(line.substr(sp));
    if (key == "Version")
        t.version = value;
    else if (key == "HeaderVersion")
        t.headerVersion = value;
    else if (key == "Author")
        t.author = value;
    else if (key == "Comments")
        t.comments = value;
    else if (key == "History")
        t.history = value;
    else if (key == "InitFile")
        t.initFile = value;
    else if (key == "Features")
        t.features = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
    else {
        error = "unknown header key \"" + key + "\"";
        return false;
    }
    return true;
}

} // namespace

bool RangeOfClass(int rangeClass, int32_t& min, int32_t& max)
{
    for (const RangeClass& r : kRanges)
        if (r.cls == rangeClass) {
            min = r.min;
            max = r.max;
            return true;
        }
    return false;
}

bool ParseLanguageTable(std::string_view text, CLanguageTable& table, std::string& error)
{
    table = CLanguageTable{};
    std::string line;
    int number = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos)
            nl = text.size();
        line = std::string(text.substr(pos, nl - pos));
        pos = nl + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#')
            continue;
        auto fail = [&](const std::string& why) {
            error = std::string("line ").append(std::to_string(number)) + ": " + why;
            return false;
        };
        if (trimmed[0] == '%') {
            if (!ParseHeader(trimmed, table, error))
                return fail(error);
            continue;
        }
        // Five words, the help text, then an optional comment.
        std::string_view rest(trimmed);
        std::vector<std::string> words;
        size_t p = 0;
        while (words.size() < 5) {
            while (p < rest.size() && std::isspace(static_cast<unsigned char>(rest[p])))
                ++p;
            size_t e = p;
            while (e < rest.size() && !std::isspace(static_cast<unsigned char>(rest[e])))
                ++e;
            if (e == p)
                return fail("a row needs NAME KIND CLASS SIGNATURE OPTIONS \"help\"");
            words.emplace_back(rest.substr(p, e - p));
            p = e;
        }
        CLanguageRow row;
        row.sourceLine = number;
        const std::string& name = words[0];
        if (name == "<al>" || name == "<aw>" || name == "<ab>")
            row.name.clear();
        else if (name.size() > 19)
            return fail("name longer than 19 characters");
        else
            row.name = name;
        if (!ParseKind(words[1], row.kind))
            return fail("unknown kind \"" + words[1] + "\"");
        if (!ParseClass(words[2], row.cls))
            return fail("bad class \"" + words[2] + "\"");
        if (!ParseSignature(words[3], row))
            return fail("bad signature \"" + words[3] + "\"");
        if (!ParseOptions(words[4], row))
            return fail("bad options \"" + words[4] + "\"");
        if (!ParseHelp(rest, p, row.help))
            return fail("missing or unterminated help text");
        const std::string tail = Trim(rest.substr(p));
        if (!tail.empty()) {
            if (tail[0] != '\'')
                return fail("text after the help text must be a ' comment");
            row.comment = Trim(tail.substr(1));
        }
        if (row.kind == kKindVar && !row.params.empty() && table.rows.size() >= 3)
            return fail("a variable has no parameters (only the three array rows have an index)");
        table.rows.push_back(std::move(row));
    }
    if (table.rows.size() < 3 || !table.rows[0].name.empty() || !table.rows[1].name.empty() ||
        !table.rows[2].name.empty()) {
        error = "the table must begin with the three array rows <al>, <aw>, <ab>";
        return false;
    }
    return true;
}

// A language table is a few hundred lines; a file far larger is not one.
constexpr size_t kMaxTableFile = 16u << 20;

bool LoadLanguageTable(const std::string& path, CLanguageTable& table, std::string& error)
{
    std::string text;
    if (!platform::ReadWholeFile(path, text, kMaxTableFile)) {
        error = "cannot open " + path;
        return false;
    }
    return ParseLanguageTable(text, table, error);
}

COPType OperandOfCode(int code, bool optional)
{
    COPType t;
    const int cls = code & ~kCodeExpression;
    t.Expression = (code & kCodeExpression) ? 1 : 0;
    t.Optional = optional;
    int32_t min = 0, max = 0;
    if (RangeOfClass(cls, min, max)) {
        t.Type = COPType::Range;
        t.Min = min;
        t.Max = max;
    } else if (cls == 23) {
        t.Type = COPType::BaudRate;
        t.Min = 2400;
        t.Max = 38400;
    } else if (cls == 25) {
        t.Type = COPType::Word;
        t.Strings = "RS2,RS4,IIC";
    } else if (cls == 26) {
        t.Type = COPType::Word;
        t.Strings = "I,N,O,E";
    } else if (cls == 27) {
        t.Type = COPType::Word;
        t.Strings = "C,D,M";
    } else if (cls == 28) {
        t.Type = COPType::UserVariable;
    }
    return t;
}

CKeyword KeywordOfRow(const CLanguageRow& row)
{
    CKeyword k;
    k.Name = row.name;
    switch (row.kind) {
    case kKindVar:
    case kKindCmd:
        k.Type = CKeyword::Alone;
        break;
    case kKindFunc:
        k.Type = CKeyword::Joined;
        break;
    case kKindCmd1:
        k.Type = CKeyword::CommaOperands;
        break;
    case kKindCmdN:
        k.Type = CKeyword::JoinedAndOperands;
        break;
    case kKindList:
        k.Type = CKeyword::Parenthesised;
        break;
    case kKindPrint:
        k.Type = CKeyword::PrintList;
        break;
    }
    if (row.host)
        k.Type = CKeyword::NotInProgram;
    if (row.cls & kClassSet)
        k.Flags |= CKeyword::Settable;
    if (row.cls & kClassReport)
        k.Flags |= CKeyword::Report;
    if (row.cls & kClassTerm)
        k.Flags |= CKeyword::Term;
    if (row.flow)
        k.Flags |= CKeyword::FlowColour;
    if (row.label)
        k.Flags |= CKeyword::LabelColour;
    k.Comments = row.help;
    if (row.kind == kKindVar && row.params.empty()) {
        // A variable: operand 0 is its value class (for "A-100"), and so is its return value.
        if (row.value >= 0) {
            k.OperandCount = 1;
            k.Operands[0] = OperandOfCode(row.value, false);
        }
    } else {
        // Commands, functions and the arrays (whose one parameter is the index).
        k.OperandCount = static_cast<int32_t>(row.params.size());
        for (size_t i = 0; i < row.params.size(); ++i)
            k.Operands[i] = OperandOfCode(row.params[i], row.optional[i]);
    }
    if (row.value >= 0 && (k.Flags & (CKeyword::Settable | CKeyword::Term)))
        k.ReturnValue = OperandOfCode(row.value, false);
    return k;
}

CLanguage LanguageOfTable(const CLanguageTable& table)
{
    CLanguage lang;
    lang.Version = table.version;
    lang.Author = table.author;
    lang.Comments = table.comments;
    lang.History = table.history;
    lang.InitFile = table.initFile;
    lang.HeaderVersion = table.headerVersion;
    lang.Features = table.features;
    lang.Keywords.reserve(table.rows.size());
    for (const CLanguageRow& row : table.rows)
        lang.Keywords.push_back(KeywordOfRow(row));
    lang.Index();
    return lang;
}
