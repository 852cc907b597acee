#include "tests/sim/motor/Expression.h"

#include "tests/sim/motor/Variables.h"

#include <cctype>

namespace vqxsim {
namespace {

class Parser {
public:
    Parser(const std::string& text, const NameReader& read) : m_text(text), m_read(read) {}

    std::optional<int32_t> Parse()
    {
        auto v = Bitwise();
        if (!v || m_pos != m_text.size())
            return std::nullopt;
        return v;
    }

private:
    std::optional<int32_t> Bitwise()
    {
        auto left = Additive();
        while (left && m_pos < m_text.size() && (Peek() == '&' || Peek() == '|')) {
            char op = m_text[m_pos++];
            auto right = Additive();
            if (!right)
                return std::nullopt;
            left = op == '&' ? (*left & *right) : (*left | *right);
        }
        return left;
    }

    std::optional<int32_t> Additive()
    {
        auto left = Term();
        while (left && m_pos < m_text.size() && (Peek() == '+' || Peek() == '-')) {
            char op = m_text[m_pos++];
            auto right = Term();
            if (!right)
                return std::nullopt;
            left = Wrap32(op == '+' ? int64_t(*left) + *right : int64_t(*left) - *right);
        }
        return left;
    }

    std::optional<int32_t> Term()
    {
        auto left = Unary();
        while (left && m_pos < m_text.size() && (Peek() == '*' || Peek() == '/')) {
            char op = m_text[m_pos++];
            auto right = Unary();
            if (!right)
                return std::nullopt;
            if (op == '*')
                left = Wrap32(int64_t(*left) * *right);
            else
                left = *right == 0 ? 0 : Wrap32(int64_t(*left) / *right);
        }
        return left;
    }

    std::optional<int32_t> Unary()
    {
        if (m_pos < m_text.size() && Peek() == '-') {
            ++m_pos;
            auto v = Unary();
            if (!v)
                return std::nullopt;
            return Wrap32(-int64_t(*v));
        }
        return Primary();
    }

    std::optional<int32_t> Primary()
    {
        if (m_pos >= m_text.size())
            return std::nullopt;
        char c = Peek();
        if (c == '(') {
            ++m_pos;
            auto v = Bitwise();
            if (!v || m_pos >= m_text.size() || Peek() != ')')
                return std::nullopt;
            ++m_pos;
            return v;
        }
        if (std::isdigit(uint8_t(c))) {
            int64_t v = 0;
            while (m_pos < m_text.size() && std::isdigit(uint8_t(Peek()))) {
                v = v * 10 + (Peek() - '0');
                if (v > 0xFFFFFFFFLL)
                    return std::nullopt;
                ++m_pos;
            }
            return Wrap32(v);
        }
        if (std::isalpha(uint8_t(c)) || c == '@' || c == '_') {
            size_t start = m_pos++;
            while (m_pos < m_text.size() && (std::isalnum(uint8_t(Peek())) || Peek() == '_'))
                ++m_pos;
            if (m_pos < m_text.size() && Peek() == '[') {
                size_t close = m_text.find(']', m_pos);
                if (close == std::string::npos)
                    return std::nullopt;
                m_pos = close + 1;
            }
            return m_read(m_text.substr(start, m_pos - start));
        }
        return std::nullopt;
    }

    char Peek() const { return m_text[m_pos]; }

    const std::string& m_text;
    const NameReader& m_read;
    size_t m_pos = 0;
};

} // namespace

std::optional<int32_t> EvaluateExpression(const std::string& text, const NameReader& read)
{
    return Parser(text, read).Parse();
}

std::optional<bool> EvaluateComparison(const std::string& text, const NameReader& read)
{
    static const char* const ops[] = {"==", "!=", "<=", ">=", "<", ">"};
    for (const char* op : ops) {
        size_t at = text.find(op);
        if (at == std::string::npos || at == 0)
            continue;
        std::string o(op);
        auto left = EvaluateExpression(text.substr(0, at), read);
        auto right = EvaluateExpression(text.substr(at + o.size()), read);
        if (!left || !right)
            return std::nullopt;
        if (o == "==") return *left == *right;
        if (o == "!=") return *left != *right;
        if (o == "<=") return *left <= *right;
        if (o == ">=") return *left >= *right;
        if (o == "<") return *left < *right;
        return *left > *right;
    }
    return std::nullopt;
}

} // namespace vqxsim
