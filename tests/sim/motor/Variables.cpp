#include "tests/sim/motor/Variables.h"

#include <cctype>

namespace vqxsim {

std::optional<VarRef> ParseVarRef(const std::string& text)
{
    size_t bracket = text.find('[');
    if (bracket == std::string::npos) {
        if (text.empty() || text.size() > 3)
            return std::nullopt;
        for (char c : text)
            if (c < 'a' || c > 'z')
                return std::nullopt;
        return VarRef{VarRef::Kind::Scalar, text, 0};
    }
    if (text.back() != ']')
        return std::nullopt;
    std::string name = text.substr(0, bracket);
    std::string digits = text.substr(bracket + 1, text.size() - bracket - 2);
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    for (char c : digits)
        if (!std::isdigit(uint8_t(c)))
            return std::nullopt;
    int index = std::stoi(digits);
    if (name == "ab")
        return VarRef{VarRef::Kind::Byte, name, index};
    if (name == "aw")
        return VarRef{VarRef::Kind::Word, name, index};
    if (name == "al")
        return VarRef{VarRef::Kind::Long, name, index};
    return std::nullopt;
}

std::optional<VarRef> VarRef::Next() const
{
    VarRef next = *this;
    if (kind != Kind::Scalar) {
        ++next.index;
        return next;
    }
    for (char& c : next.name) {
        if (c == 'z')
            return std::nullopt;
        ++c;
    }
    return next;
}

std::optional<int32_t> Variables::Get(const VarRef& ref) const
{
    switch (ref.kind) {
    case VarRef::Kind::Scalar: {
        auto it = m_scalars.find(ref.name);
        return it == m_scalars.end() ? 0 : it->second;
    }
    case VarRef::Kind::Byte:
        if (ref.index < 0 || ref.index >= kBytes)
            return std::nullopt;
        return unsignedArrays ? int32_t(uint8_t(m_ab[ref.index])) : int32_t(m_ab[ref.index]);
    case VarRef::Kind::Word:
        if (ref.index < 0 || ref.index >= kWords)
            return std::nullopt;
        return unsignedArrays ? int32_t(uint16_t(m_aw[ref.index])) : int32_t(m_aw[ref.index]);
    case VarRef::Kind::Long:
        if (ref.index < 0 || ref.index >= kLongs)
            return std::nullopt;
        return m_al[ref.index];
    }
    return std::nullopt;
}

bool Variables::Set(const VarRef& ref, int64_t value)
{
    uint32_t raw = static_cast<uint32_t>(value);
    switch (ref.kind) {
    case VarRef::Kind::Scalar:
        m_scalars[ref.name] = static_cast<int32_t>(raw);
        return true;
    case VarRef::Kind::Byte:
        if (ref.index < 0 || ref.index >= kBytes)
            return false;
        m_ab[ref.index] = static_cast<int8_t>(uint8_t(raw & 0xFF));
        return true;
    case VarRef::Kind::Word:
        if (ref.index < 0 || ref.index >= kWords)
            return false;
        m_aw[ref.index] = static_cast<int16_t>(uint16_t(raw & 0xFFFF));
        return true;
    case VarRef::Kind::Long:
        if (ref.index < 0 || ref.index >= kLongs)
            return false;
        m_al[ref.index] = static_cast<int32_t>(raw);
        return true;
    }
    return false;
}

void Variables::Clear()
{
    m_scalars.clear();
    m_ab.fill(0);
    m_aw.fill(0);
    m_al.fill(0);
}

} // namespace vqxsim
