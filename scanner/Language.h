#pragma once
// Language file and keyword table: the operand-type algebra, one keyword, and the
// language data of one .sld file (a tagged archive of class "VQXLangFile").

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CTagArchive;

// One operand or return-value type.
struct COPType {
    enum : int32_t {
        None = 0, String = 1, Range = 2, Hash = 3, Word = 4, AnyNumber = 5, BaudRate = 6,
        UserVariable = 7
    };

    int32_t Type = None;
    int32_t Max = 0;
    int32_t Min = 0;
    std::string Strings;
    int32_t Expression = 0;
    bool Optional = false;

    static COPType MakeRange(int64_t min, int64_t max); // bounds saturate to 32 bits
    static COPType MakeAny();

    // Either type 5 gives 5; two ranges give the range over both; anything else type 0.
    COPType Hull(const COPType& other) const;
    // Whether a value of type `value` fits this declared type.
    bool FitsWithin(const COPType& value) const;
    // Whether an exact constant fits this declared type (64-bit, so no value wraps).
    bool FitsConstant(int64_t value) const;
    bool Overlaps(const COPType& other) const;
    // |x|: a range wholly below 0 is mirrored; one that reaches below 0 starts at 0.
    void MakeMagnitude();
    // -x: Min = -Max, Max = -Min (saturating: -(-2147483648) is 2147483647).
    void Negate();

    void Serialize(CTagArchive& ar, std::string_view group);
    bool operator==(const COPType&) const = default;
};

// The baud rates a type-6 operand accepts.
bool IsBaudRate(int64_t value);

// One keyword of the language.
struct CKeyword {
    enum : int32_t {
        // Statement forms (Type)
        NotInProgram = 0, Alone = 1, Joined = 2, CommaOperands = 3, JoinedAndOperands = 4,
        Parenthesised = 5, PrintList = 6
    };
    enum : int32_t {
        // Flags
        Settable = 0x1, Report = 0x2, Term = 0x4, FlowColour = 0x40, LabelColour = 0x80
    };
    static constexpr int kMaxOperands = 10;

    std::string Name;
    int32_t Type = 0;
    int32_t Flags = 0;
    int32_t OperandCount = 0;
    COPType Operands[kMaxOperands];
    COPType ReturnValue;
    std::string Comments;

    // Reads or writes the group "Arr%d"; a missing group leaves the record as it is.
    void Serialize(CTagArchive& ar, std::string_view group);
};

// The language data of one file.
class CLanguage {
public:
    static constexpr int kMinKeywords = 3;
    static constexpr int kMaxKeywords = 500;

    std::string Version;       // as read: may list several versions
    std::string Author;
    std::string Comments;
    std::string History;
    std::string InitFile;
    std::string HeaderVersion; // as read; may be empty
    uint32_t Features = 0;
    std::vector<CKeyword> Keywords;

    // Reads a language file. False with a reason when the file cannot be opened, is not a
    // language file, has fewer than 3 or more than 500 keywords, or a header version (after the
    // empty-version rule) that is not 3 characters.
    bool Read(const std::string& path, std::string& reason);
    // The same from an archive of class "VQXLangFile" opened for reading (a file or bytes).
    bool Read(CTagArchive& ar, std::string& reason);
    // Writes a language file; false when it cannot be written.
    bool Write(const std::string& path) const;
    // Reads or writes the whole archive contents (the class group is open).
    void Serialize(CTagArchive& ar);

    // The header version the compiled program gets: HeaderVersion, or the first character of
    // Version followed by "00" when it is empty.
    std::string EffectiveHeaderVersion() const;
    // Whether the version list (separated by ";", " " or ",") names `version`.
    bool ListsVersion(std::string_view version) const;

    // Keyword by exact (case-sensitive) name; null when none. Empty names are never found.
    const CKeyword* Find(std::string_view name) const;
    // Rebuilds the name index after Keywords changed.
    void Index();

private:
    // Open addressing on the name's hash: the tokenizer asks for every word of every line, most of
    // them no keyword, so a lookup neither allocates nor follows chains.
    std::vector<int32_t> m_slots; // keyword index + 1; 0 empty
};
