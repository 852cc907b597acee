#include "scanner/Language.h"

#include <algorithm>
#include <limits>

#include "core/archive/TagArchive.h"

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t v)
{
    return static_cast<int32_t>(std::clamp(v, kInt32Min, kInt32Max));
}

bool IsNumeric(int32_t type) { return type == COPType::Range || type == COPType::AnyNumber; }

} // namespace

bool IsBaudRate(int64_t value)
{
    return value == 2400 || value == 4800 || value == 9600 || value == 19200 || value == 38400;
}

COPType COPType::MakeRange(int64_t min, int64_t max)
{
    COPType t;
    t.Type = Range;
    t.Min = Saturate(min);
    t.Max = Saturate(max);
    return t;
}

COPType COPType::MakeAny()
{
    COPType t;
    t.Type = AnyNumber;
    return t;
}

COPType COPType::Hull(const COPType& other) const
{
    COPType r;
    if (Type == AnyNumber || other.Type == AnyNumber) {
        r.Type = AnyNumber;
    } else if (Type == Range && other.Type == Range) {
        r.Type = Range;
        r.Min = std::min(Min, other.Min);
        r.Max = std::max(Max, other.Max);
    }
    return r;
}

bool COPType::FitsWithin(const COPType& value) const
{
    switch (Type) {
    case Range:
    case AnyNumber:
        if (!IsNumeric(value.Type))
            return false;
        if (Type == AnyNumber)
            return true;
        if (value.Type == AnyNumber)
            return false;
        return Max >= value.Max && value.Min >= Min;
    case BaudRate:
        return value.Type == Range && IsBaudRate(value.Min);
    default:
        return false;
    }
}

bool COPType::FitsConstant(int64_t value) const
{
    switch (Type) {
    case Range:
        return value >= Min && value <= Max;
    case AnyNumber:
        return true;
    case BaudRate:
        return IsBaudRate(value);
    default:
        return false;
    }
}

bool COPType::Overlaps(const COPType& other) const
{
    if (!IsNumeric(Type) || !IsNumeric(other.Type))
        return false;
    if (Type == AnyNumber || other.Type == AnyNumber)
        return true;
    return Max >= other.Min && other.Max >= Min;
}

void COPType::MakeMagnitude()
{
    if (Max < 0) {
        const int64_t oldMax = Max;
        Max = Saturate(-static_cast<int64_t>(Min));
        Min = Saturate(-oldMax);
    } else if (Min < 0) {
        // The magnitude of -10..5 reaches 10: keeping Max would give the range checks a range
        // the value can leave.
        Max = std::max<int32_t>(Max, Saturate(-static_cast<int64_t>(Min)));
        Min = 0;
    }
}

void COPType::Negate()
{
    const int64_t oldMin = Min;
    Min = Saturate(-static_cast<int64_t>(Max));
    Max = Saturate(-oldMin);
}

void COPType::Serialize(CTagArchive& ar, std::string_view group)
{
    if (!ar.OpenGroup(group))
        return;
    ar.SerializeInt("Type", Type, 0);
    ar.SerializeInt("Min", Min, 0);
    ar.SerializeInt("Max", Max, 0);
    ar.SerializeString("Strings", Strings, "");
    ar.SerializeInt("Expression", Expression, 0);
    ar.SerializeBool("Optional", Optional, false);
    ar.CloseGroup();
}

void CKeyword::Serialize(CTagArchive& ar, std::string_view group)
{
    if (!ar.OpenGroup(group))
        return;
    ar.SerializeString("Name", Name, "");
    ar.SerializeInt("Type", Type, 0);
    ar.SerializeInt("Flags", Flags, 0);
    ar.SerializeString("Comments", Comments, "");
    ReturnValue.Serialize(ar, "ReturnValue");
    if (ar.OpenGroup("OPTypes")) {
        if (ar.IsLoading())
            OperandCount = std::clamp(ar.GetGroupCount(), 0, kMaxOperands);
        const int n = std::clamp(OperandCount, 0, kMaxOperands);
        for (int i = 0; i < n; ++i)
            Operands[i].Serialize(ar, CTagArchive::ArrName(i));
        ar.CloseGroup();
    }
    ar.CloseGroup();
    if (ar.IsLoading() && !(Flags & (Settable | Term)))
        ReturnValue.Type = COPType::None;
}

void CLanguage::Serialize(CTagArchive& ar)
{
    ar.SerializeString("Version", Version, "");
    ar.SerializeString("Author", Author, "");
    ar.SerializeString("Comments", Comments, "");
    ar.SerializeString("History", History, "");
    ar.SerializeString("InitFile", InitFile, "");
    ar.SerializeString("HeaderVersion", HeaderVersion, "");
    ar.SerializeDword("Features", Features, 0);
    if (ar.OpenGroup("Keywords")) {
        if (ar.IsLoading()) {
            // One more than the limit is enough to refuse the file; never allocate without bound.
            const int n = std::min(ar.GetGroupCount(), kMaxKeywords + 1);
            Keywords.assign(static_cast<size_t>(std::max(n, 0)), CKeyword{});
        }
        for (size_t i = 0; i < Keywords.size(); ++i)
            Keywords[i].Serialize(ar, CTagArchive::ArrName(static_cast<int>(i)));
        ar.CloseGroup();
    } else if (ar.IsLoading()) {
        Keywords.clear();
    }
}

bool CLanguage::Read(const std::string& path, std::string& reason)
{
    CTagArchive ar("VQXLangFile");
    if (!ar.OpenForRead(path)) {
        reason = "Cannot Open Language File!";
        return false;
    }
    return Read(ar, reason);
}

bool CLanguage::Read(CTagArchive& ar, std::string& reason)
{
    if (!ar.IsLoading()) {
        reason = "Cannot Open Language File!";
        return false;
    }
    Serialize(ar);
    ar.Close();
    const int n = static_cast<int>(Keywords.size());
    if (n < kMinKeywords) {
        reason = std::string("The language file holds ").append(std::to_string(n)) + " keywords; at least " +
                 std::to_string(kMinKeywords) + " are needed.";
        return false;
    }
    if (n > kMaxKeywords) {
        reason = std::string("The language file holds more than ").append(std::to_string(kMaxKeywords)) +
                 " keywords.";
        return false;
    }
    const std::string header = EffectiveHeaderVersion();
    if (header.size() != 3) {
        reason = "The header version \"" + header + "\" of the language file is not 3 characters.";
        return false;
    }
    Index();
    return true;
}

bool CLanguage::Write(const std::string& path) const
{
    CTagArchive ar("VQXLangFile");
    if (!ar.OpenForWrite(path))
        return false;
    const_cast<CLanguage*>(this)->Serialize(ar); // storing only reads the fields
    return ar.Close();
}

std::string CLanguage::EffectiveHeaderVersion() const
{
    if (!HeaderVersion.empty())
        return HeaderVersion;
    if (Version.empty())
        return std::string();
    return std::string(1, Version[0]) + "00";
}

bool CLanguage::ListsVersion(std::string_view version) const
{
    size_t i = 0;
    while (i < Version.size()) {
        const size_t j = Version.find_first_of("; ,", i);
        const size_t end = j == std::string::npos ? Version.size() : j;
        if (end > i && std::string_view(Version).substr(i, end - i) == version)
            return true;
        if (j == std::string::npos)
            break;
        i = j + 1;
    }
    return false;
}

namespace {
uint32_t NameHash(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}
} // namespace

const CKeyword* CLanguage::Find(std::string_view name) const
{
    if (name.empty() || m_slots.empty())
        return nullptr;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = NameHash(name) & mask;; i = (i + 1) & mask) {
        const int32_t slot = m_slots[i];
        if (slot == 0)
            return nullptr;
        const CKeyword& k = Keywords[static_cast<size_t>(slot - 1)];
        if (k.Name == name)
            return &k;
    }
}

void CLanguage::Index()
{
    size_t size = 64;
    while (size < Keywords.size() * 4)
        size *= 2;
    m_slots.assign(size, 0);
    const size_t mask = size - 1;
    for (size_t k = 0; k < Keywords.size(); ++k) {
        const std::string& name = Keywords[k].Name;
        if (name.empty())
            continue;
        size_t i = NameHash(name) & mask;
        // The first of a name wins.
        bool taken = false;
        for (; m_slots[i] != 0; i = (i + 1) & mask)
            if (Keywords[static_cast<size_t>(m_slots[i] - 1)].Name == name) {
                taken = true;
                break;
            }
        if (!taken)
            m_slots[i] = static_cast<int32_t>(k + 1);
    }
}
