#pragma once
// The user variables of a motor: a..z, aa..zz, aaa..zzz (32-bit signed) and the arrays ab[] (8-bit),
// aw[] (16-bit) and al[] (32-bit).

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vqxsim {

// A place a value can be stored: a named variable or an array element.
struct VarRef {
    enum class Kind { Scalar, Byte, Word, Long } kind = Kind::Scalar;
    std::string name; // scalar name, or the array name
    int index = 0;

    // Bytes one element occupies in EEPROM transfers.
    int Width() const { return kind == Kind::Byte ? 1 : kind == Kind::Word ? 2 : 4; }
    // The variable a block transfer moves next: aaa -> bbb, ab[3] -> ab[4].
    std::optional<VarRef> Next() const;
};

// "a", "dd", "aaa", "ab[3]", "aw[0]", "al[2]"; nothing for other text.
std::optional<VarRef> ParseVarRef(const std::string& text);

inline int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

class Variables {
public:
    static constexpr int kBytes = 204, kWords = 102, kLongs = 51;

    // Reads give 0 for a variable never set; array indexes out of range give nothing.
    std::optional<int32_t> Get(const VarRef& ref) const;
    // Stores the value cut to the element's width; false for an index out of range.
    bool Set(const VarRef& ref, int64_t value);
    void Clear();

    // Reports of ab[] and aw[] give signed values unless this is set.
    bool unsignedArrays = false;

private:
    std::map<std::string, int32_t> m_scalars;
    std::array<int8_t, kBytes> m_ab{};
    std::array<int16_t, kWords> m_aw{};
    std::array<int32_t, kLongs> m_al{};
};

} // namespace vqxsim
