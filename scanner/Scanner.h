#pragma once
// The compiler object: scan driver, preprocessor, checking passes,
// layout and writer of the compiled program (.tqx, .scx for calibration programs).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/Error.h"
#include "scanner/Language.h"
#include "scanner/Token.h"
#include "scanner/TokenStore.h"

class CTagArchive;

// Where the scanner finds language files: the machine registry key
// HKLM "SOFTWARE\Korvessan\Scanner" (values "Default" and one per version).
class CLanguageRegistry {
public:
    virtual ~CLanguageRegistry() = default;
    // Opens the key; false when it does not exist.
    virtual bool Open() = 0;
    // Reads a string value of the open key; false when it is missing.
    virtual bool Read(const std::string& name, std::string& value) = 0;
    virtual void Close() {}
};

class CScanner {
public:
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxDefines = 500;
    static constexpr int kMaxDefineTokens = 1000; // a define's value, after its own substitutions
    static constexpr int kMaxIncludes = 20;
    static constexpr int kMaxDepth = 50;
    static constexpr int kMaxExpressionDepth = 50; // function calls nested inside expressions
    static constexpr int kLabelSlots = 1000;
    static constexpr int kFirstSymbolicLabel = 10;
    static constexpr int kLastSymbolicLabel = 998;
    static constexpr uint32_t kMaxBody = 0xFFFF;
    // A source or include file larger than this is refused before it is read (ten thousand
    // lines of a program never come near it).
    static constexpr size_t kMaxSourceFile = 16u << 20;
    static constexpr const char* kRegistryKey = "SOFTWARE\\Korvessan\\Scanner";

    CScanner();
    ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // ---- scan driver ----
    // Compiles a text in memory; messages go to the list. The argument order is that of the
    // callers (the editor, the tools, the tuner, the playground), "Scan(text, version, 0, 1)":
    // calibration flag, then fresh list.
    // `calibration` only chooses the compiled file's extension (.scx, GetCompiledFileName); the
    // language and the checks are the same. `fileName` names the source for its include folder
    // (the editor passes the document path).
    void Scan(std::string_view text, const std::string& version, bool calibration = false,
              bool freshList = true, const std::string& fileName = {});
    // Reads a source file (plain text or RTF), strips the RTF and scans it. 1034 when the file
    // cannot be read. (Its own order: file, version, fresh list.)
    void ScanFile(const std::string& fileName, const std::string& version = {}, bool freshList = true,
                  bool calibration = false);
    // Scans a file and writes the compiled file when no error was found. A compiled file longer
    // than maxFileSize (the tools' limit: 0x7FFF) is refused with CVQXException 1039; 0 means no limit.
    bool CompileFile(const std::string& sourceFile, const std::string& compiledFile,
                     const std::string& version, bool freshList = true,
                     uint32_t maxFileSize = 0x7FFF);
    // Lays out and writes the last scan. Writes nothing and answers false when the list holds an
    // error, unless `force` is set and every error is an undefined symbol (the download's
    // Force Download), and not even then when a flow word was skipped after an undefined symbol
    // (it would have no jump target; a 1220 names it). A body above 0xFFFF bytes:
    // CVQXException 1039; file not creatable: 1035.
    bool WriteCompiled(const std::string& fileName, bool force = false);
    // The compiled image of the last scan as it would be written (header, labels, body).
    std::string CompiledImage();
    // Assigns addresses; computes programLength, checksum, label count and labelSum.
    void LayoutProgram();
    void Reset();

    // ---- the checking pass, public for the engine's text compile ----
    void CheckProgram();
    // The engine's text compile: the given lines numbered from 0, without the preprocessor and
    // start-up code; the labels are the "C" tokens. A fresh list; the language set directly.
    void ScanLines(const std::vector<std::string>& lines);
    // The out-of-range warning's text for a declared range.
    static std::string RangeText(const COPType& declared);

    // ---- language ----
    // Resolves a version to a language file path; fills `version` from "Default" when empty.
    // `fellBack` tells whether no file of the version's own was found.
    std::string GetDefaultLanguageFile(std::string& version, bool* fellBack = nullptr);
    bool LoadLanguageFile(const std::string& version);
    const CLanguage& Language() const { return *m_language; }
    const std::string& LanguageFilePath() const { return m_languagePath; }
    // The language version: the one asked for when the file lists several.
    const std::string& Version() const { return m_version; }
    std::string HeaderVersion() const { return m_language->EffectiveHeaderVersion(); }
    uint32_t Features() const { return m_language->Features; }
    // Uses a language directly (tests, the engine's built-in table); no file is read until
    // another version is asked for.
    static constexpr const char* kBuiltIn = "<built-in>";
    void SetLanguage(const CLanguage& language);

    // ---- settings (in the project file) ----
    void SerializeSettings(CTagArchive& ar, std::string_view group);
    bool CheckNumRange = true;
    bool CheckParamRange = false;
    bool Errors2Warnings = false;
    // The engine's range rule (with CheckParamRange): a value assigned to a keyword or an array
    // element warns when its range reaches outside the declared one (not only when it lies wholly
    // outside), and an operand that takes an expression is checked only when it is a constant.
    bool WarnPartialRange = false;
    // The engine's operand rule: the operands a command takes after commas are read as their type
    // codes say, a number unless the code takes an expression (the program reads expressions).
    bool CommaOperandsByType = false;
    // Markers around included files; unset: the profile value OptionBoxes/"InsertMarker"
    // (default 0) is read at each scan.
    std::optional<bool> InsertMarker;

    // ---- environment ----
    // The program folder (Default.sld, Include/); empty (the default): platform::AppFolder().
    void SetProgramFolder(const std::string& folder) { m_programFolder = folder; }
    std::string ProgramFolder() const;
    // The registry the language lookup reads; null (the default): HKLM of the process registry.
    void SetRegistry(std::shared_ptr<CLanguageRegistry> registry) { m_registry = std::move(registry); }
    // The lookup on HKLM "SOFTWARE\Korvessan\Scanner" of platform::DefaultRegistry().
    static std::shared_ptr<CLanguageRegistry> MachineRegistry();

    // ---- results ----
    CErrorList& Errors() { return m_errors; }
    const CErrorList& Errors() const { return m_errors; }
    const std::vector<std::unique_ptr<CLine>>& Lines() const { return m_lines; }
    const std::string& MainFileName() const { return m_mainFile; }
    const std::string& IncludeName(int index) const { return m_includes[static_cast<size_t>(index)]; }
    const CToken* Label(int number) const
    {
        return number >= 0 && number < kLabelSlots ? m_labels[static_cast<size_t>(number)] : nullptr;
    }
    int32_t HighestLabel() const { return m_highestLabel; }
    uint16_t ProgramLength() const { return static_cast<uint16_t>(m_programLength); }
    uint32_t BodyLength() const { return m_programLength; }
    uint32_t Checksum() const { return m_checksum; }
    uint32_t LabelSum() const { return m_labelSum; }
    int32_t LabelCount() const { return m_labelCount; }
    bool Calibration() const { return m_calibration; }

    // The compiled file name of a source: ".scx" for ".tqc" sources, else ".tqx";
    // only the file name's own extension is replaced, never a dot in a folder name.
    static std::string GetCompiledFileName(const std::string& sourcePath);
    // Plain text of a source file: RTF ("{\rtf" at the start) is stripped, other text kept.
    static std::string PlainText(std::string_view text);
    static std::string StripRtf(std::string_view rtf);

private:
    struct Define {
        std::string name;
        std::string value;            // the value's token texts joined
        std::vector<CToken> tokens;   // the value's tokens
        int lineCount = 0;            // lines before the definition
    };
    struct Block {
        CToken* open = nullptr;
        CToken* branch = nullptr;
        bool elseSeen = false;
        bool defaultSeen = false;
    };
    struct Condition {
        bool taking = true;
        bool stray = false;           // an "#else" without "#if"
    };
    struct Value {
        COPType type;
        bool exact = false;
        int64_t constant = 0;
    };

    // Preprocessor
    void Preprocess(std::string_view text, int fileIndex, int depth);
    bool m_insertMarker = false;     // InsertMarker as decided for the current scan
    bool DoDirective(const std::string& line, int fileIndex, int depth);
    void AddStartupCode();
    void InsertIncludeMarker(int fileIndex, bool start);
    void AddLine(std::string text, int indent, int fileIndex, int lineNumber, bool marker);
    std::string FolderOf(int fileIndex) const;
    bool Skipping() const;
    void SubstituteDefines(CLine& line);
    void RegisterLabels();
    void CollectLabels();
    void TokenizeAll();
    // Cuts every line into tokens, all of them held in the token store.
    void TokenizeLines();

    // Checks
    void CheckStatementStart();
    void CheckStatement(CToken* t, bool inExpression, bool report);
    bool CheckBlockWord(CToken* t);
    void CheckJump(CToken* t);
    void CheckOperand(const COPType& declared);
    void CheckString();
    void CheckPrintList();
    void CheckArrayIndex(const CKeyword* array);
    void CheckNumberList(CToken* start, const CKeyword* type);
    void CheckParenthesised(CToken* t);
    void CheckCommaOperands(const CKeyword* kw, int from);
    void LastBranch(Block* b, CToken* t, bool Block::*seen, int32_t secondError);
    Value EvalExpression(bool wantRange, bool warnHash);
    Value EvalTerm(bool wantRange);
    void CheckRange(const Value& v, const COPType& declared, const CToken* at);
    // The range check of an operand (see WarnPartialRange).
    void CheckOperandRange(const Value& v, const COPType& declared, const CToken* at);
    void CheckBlank();
    void Push(CToken* t);
    Block* FindBlock(std::string_view name, int32_t notFound);
    void CloseBlockWithError(const Block& b);
    void EndChecks();
    // Moves to the next token across lines, skipping comments; null at the end.
    CToken* NextToken();
    CToken* Advance();
    CToken* FirstToken();
    bool CurIs(std::string_view text) const { return m_cur && m_cur->Is(text); }
    [[noreturn]] void Fail(int32_t code, const CToken* at = nullptr, const std::string& text = {});
    // Adds a message placed at a token (the list's AddAt).
    void AddAt(int32_t code, const CToken* at, const std::string& text = {});
    // Adds a message; a limit error thrown by the list is stored too. False once a limit is hit.
    bool Record(const CError& e);
    void PlaceError(CError& e, const CToken* at) const;
    static bool IsProgramEnd(const CToken* statement);
    static bool StartsCommand(const CToken& t, const CToken& prev);
    // Marks the tokens after `fault` on its line as skipped by the checks.
    void MarkUnchecked(const CToken* fault);
    // A skipped flow word: it has no jump target, so the program cannot be written even forced.
    const CToken* UncheckedFlowWord() const;

    // Writer
    void AppendBody(std::string& out);
    uint16_t AddressOf(const CToken* t) const;
    uint16_t OwnerAddress(const CToken* t) const;

    CErrorList m_errors;
    std::shared_ptr<CLanguage> m_language;
    std::string m_languagePath;
    std::string m_version;
    std::string m_loadedVersion; // the version the current language file was loaded for
    std::shared_ptr<CLanguageRegistry> m_registry;
    std::string m_programFolder;

    std::string m_mainFile;
    bool m_calibration = false;
    // Declared before the lines: their token arrays live in it.
    CTokenStore m_tokenStore;
    std::vector<std::unique_ptr<CLine>> m_lines;
    // Lines of the previous scan, kept with their buffers for the next one: a compile after an
    // edit then allocates next to nothing.
    std::vector<std::unique_ptr<CLine>> m_spareLines;
    std::string m_includes[kMaxIncludes];
    std::vector<Define> m_defines;
    std::vector<Condition> m_conditions;
    bool m_lineLimitReported = false;

    std::vector<Block> m_stack;
    CToken* m_labels[kLabelSlots] = {};
    int32_t m_highestLabel = -1;

    // Walk state
    size_t m_lineIdx = 0;
    size_t m_tokIdx = 0;
    CToken* m_cur = nullptr;
    CToken* m_last = nullptr;
    CToken* m_statement = nullptr;
    CToken* m_lastRealStatement = nullptr;
    const CToken* m_faultAt = nullptr;
    bool m_sawEnd = false;
    bool m_endChecked = false;
    bool m_limitHit = false;
    int m_exprDepth = 0;

    uint32_t m_programLength = 0;
    uint32_t m_checksum = 0;
    uint32_t m_labelSum = 0;
    int32_t m_labelCount = 0;
};
