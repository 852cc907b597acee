// Scan driver, language lookup, layout and writer of the compiled program.
#include "scanner/Scanner.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/archive/TagArchive.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Slashes(std::string s)
{
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::string Hex(uint32_t v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

class MachineLanguageRegistry : public CLanguageRegistry {
public:
    bool Open() override
    {
        return platform::DefaultRegistry().KeyExists(platform::RegHive::LocalMachine, CScanner::kRegistryKey);
    }
    bool Read(const std::string& name, std::string& value) override
    {
        auto v = platform::DefaultRegistry().GetString(platform::RegHive::LocalMachine, CScanner::kRegistryKey, name);
        if (!v)
            return false;
        value = *v;
        return true;
    }
};

} // namespace

std::shared_ptr<CLanguageRegistry> CScanner::MachineRegistry()
{
    return std::make_shared<MachineLanguageRegistry>();
}

std::string CScanner::ProgramFolder() const
{
    return m_programFolder.empty() ? platform::AppFolder() : m_programFolder;
}

CScanner::CScanner() : m_language(std::make_shared<CLanguage>()), m_registry(MachineRegistry())
{
    // Messages are never lost for want of an item array, even when no caller asks for a fresh list.
    m_errors.Init(0, 0);
}

CScanner::~CScanner() = default;

void CScanner::Reset()
{
    for (auto& name : m_includes)
        name.clear();
    for (auto& line : m_lines)
        m_spareLines.push_back(std::move(line));
    m_lines.clear();
    m_defines.clear();
    m_conditions.clear();
    m_stack.clear();
    std::fill(std::begin(m_labels), std::end(m_labels), nullptr);
    m_highestLabel = -1;
    m_programLength = 0;
    m_checksum = 0;
    m_labelSum = 0;
    m_labelCount = 0;
    m_lineLimitReported = false;
    m_cur = m_last = m_statement = m_lastRealStatement = nullptr;
    m_faultAt = nullptr;
    m_sawEnd = m_endChecked = m_limitHit = false;
}

// ---------------------------------------------------------------------------------------------
// Language

std::string CScanner::GetDefaultLanguageFile(std::string& version, bool* fellBack)
{
    std::string path;
    bool own = false;
    if (m_registry && m_registry->Open()) {
        if (version.empty())
            m_registry->Read("Default", version);
        if (!version.empty() && m_registry->Read(version, path) && !path.empty()) {
            own = true;
        } else {
            path.clear();
            std::string def;
            if (m_registry->Read("Default", def)) {
                version = def;
                if (!m_registry->Read(def, path))
                    path.clear();
            }
        }
        m_registry->Close();
    }
    if (path.empty())
        path = platform::JoinPath(ProgramFolder(), "\\Default.sld");
    if (fellBack)
        *fellBack = !own;
    return Slashes(path);
}

bool CScanner::LoadLanguageFile(const std::string& version)
{
    std::string resolved = version;
    const std::string path = GetDefaultLanguageFile(resolved);
    if (!m_languagePath.empty() && EqualsNoCase(path, m_languagePath)) {
        // No version asked for means the default file as it was loaded: its version stays.
        m_version = version.empty() ? m_loadedVersion : version;
        return true;
    }
    // Read into a new table and take it only when it is complete: a failed reload keeps no
    // half-read table, and the path is cleared so that the next scan reads again.
    auto fresh = std::make_shared<CLanguage>();
    std::string reason;
    if (!fresh->Read(path, reason)) {
        m_languagePath.clear();
        Record(CError(CError::LanguageModule, -1, -1,
                      CError::TextOf(CError::LanguageModule) + " (" + path + ": " + reason + ")",
                      std::string()));
        return false;
    }
    m_language = std::move(fresh);
    m_languagePath = path;
    m_version = m_language->Version;
    if (m_version.find_first_of("; ,", 1) != std::string::npos)
        m_version = version;
    m_loadedVersion = m_version;
    return true;
}

void CScanner::SetLanguage(const CLanguage& language)
{
    m_language = std::make_shared<CLanguage>(language);
    m_language->Index();
    m_languagePath = kBuiltIn;
    m_version = m_language->Version;
    m_loadedVersion = m_version;
}

// ---------------------------------------------------------------------------------------------
// Scan driver

void CScanner::Scan(std::string_view text, const std::string& version, bool calibration,
                    bool freshList, const std::string& fileName)
{
    Reset();
    m_mainFile = fileName;
    m_calibration = calibration;
    m_insertMarker = InsertMarker ? *InsertMarker
                                  : platform::GetProfileInt("OptionBoxes", "InsertMarker", 0) != 0;
    if (freshList)
        m_errors.Init(0, 0);
    if (m_languagePath == kBuiltIn) {
        m_version = version.empty() ? m_language->Version : version; // a language set directly stays
    } else if (!LoadLanguageFile(version)) {
        return;
    }
    // Warning 1404 whenever the language in use does not list the version asked for, also when
    // the file was already loaded or lists several versions.
    if (!version.empty() && !m_language->ListsVersion(version)) {
        char buf[600];
        std::snprintf(buf, sizeof buf,
                      "No Language File was found for version \"%s\". Using the default language "
                      "file \"%s\".",
                      version.c_str(), m_language->Version.c_str());
        if (!Record(CError(CError::DefaultLanguage, -1, -1, buf, nullptr)))
            return;
    }
    const int32_t errorsBefore = m_errors.GetErrorCount();
    Preprocess(text, -1, 0);
    if (m_errors.GetErrorCount() > errorsBefore || m_limitHit)
        return;
    TokenizeAll();
    if (m_limitHit)
        return;
    CheckProgram();
}

void CScanner::ScanLines(const std::vector<std::string>& lines)
{
    Reset();
    m_mainFile.clear();
    m_calibration = false;
    m_errors.Init(0, 0);
    try {
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& raw = lines[i];
            const size_t indent = std::min(raw.find_first_not_of(" \t"), raw.size());
            AddLine(raw.substr(indent), static_cast<int>(indent), -1, static_cast<int>(i), false);
        }
    } catch (CError& e) {
        Record(e);
        return;
    }
    TokenizeLines();
    RegisterLabels();
    if (!m_limitHit)
        CheckProgram();
}

void CScanner::ScanFile(const std::string& fileName, const std::string& version, bool freshList,
                        bool calibration)
{
    std::string text;
    if (!platform::ReadWholeFile(fileName, text, kMaxSourceFile))
        throw CVQXException(CVQXException::CannotOpenFile,
                            CVQXException::TextOf(CVQXException::CannotOpenFile) + " (" + fileName + ")");
    Scan(PlainText(text), version, calibration, freshList, fileName);
}

bool CScanner::CompileFile(const std::string& sourceFile, const std::string& compiledFile,
                           const std::string& version, bool freshList, uint32_t maxFileSize)
{
    ScanFile(sourceFile, version, freshList);
    if (m_errors.GetErrorCount() != 0)
        return false;
    if (maxFileSize != 0) {
        const std::string image = CompiledImage();
        if (image.size() > maxFileSize) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "%s (%zu bytes; at most %u)",
                          CVQXException::TextOf(CVQXException::FileTooLong).c_str(), image.size(),
                          static_cast<unsigned>(maxFileSize));
            throw CVQXException(CVQXException::FileTooLong, buf);
        }
    }
    return WriteCompiled(compiledFile);
}

// ---------------------------------------------------------------------------------------------
// Layout and writer

uint16_t CScanner::AddressOf(const CToken* t) const { return t ? t->address : 0; }

// The address of a block's "token after" link (WHILE, BREAK of a WHILE).
uint16_t CScanner::OwnerAddress(const CToken* t) const
{
    if (!t)
        return 0;
    if (t->ownerIsEnd)
        return static_cast<uint16_t>(m_programLength);
    return AddressOf(t->owner);
}

void CScanner::LayoutProgram()
{
    uint32_t length = 0, sum = 0;
    for (auto& line : m_lines) {
        bool any = false;
        for (size_t i = 0; i < line->tokens.size(); ++i) {
            CToken& t = line->tokens[i];
            if (t.cls & CToken::Comment)
                continue;
            any = true;
            if (i > 0 && t.spaceBefore) {
                length += 1;
                sum += 32;
            }
            t.address = static_cast<uint16_t>(length);
            length += static_cast<uint32_t>(t.text.size());
            for (unsigned char c : t.text)
                sum += c;
            if (t.Kind() == CToken::Keyword && t.keyword && !(t.cls & CToken::String) &&
                (t.text == "IF" || t.text == "ELSEIF")) {
                length += 1;
                sum += 32;
            }
        }
        if (any) {
            length += 1;
            sum += 10;
        }
    }
    m_programLength = length;
    m_checksum = sum;

    const uint32_t features = m_language->Features;
    int32_t count = m_highestLabel + 1;
    if (!(features & 0x2) && m_highestLabel < 0)
        count = 1;
    if ((features & 0x10) && count < 7)
        count = 7;
    count = (count + 3) / 4 * 4;
    m_labelCount = count;
    const bool emptyIsFFFF = (features & 0x10) || (features & 0x2);
    uint32_t labelSum = 0;
    for (int32_t i = 0; i < count && i < kLabelSlots; ++i) {
        if (const CToken* t = m_labels[static_cast<size_t>(i)])
            labelSum += (t->address & 0xFFu) + (t->address >> 8);
        else if (emptyIsFFFF)
            labelSum += 510;
    }
    m_labelSum = labelSum;
}

void CScanner::AppendBody(std::string& out)
{
    for (auto& line : m_lines) {
        bool any = false;
        for (size_t i = 0; i < line->tokens.size(); ++i) {
            const CToken& t = line->tokens[i];
            if (t.cls & CToken::Comment)
                continue;
            any = true;
            if (i > 0 && t.spaceBefore)
                out += ' ';
            if (t.Kind() != CToken::Keyword || !t.keyword || (t.cls & CToken::String)) {
                out += t.text;
                continue;
            }
            const std::string& name = t.keyword->Name;
            if (t.text == "IF") {
                uint16_t a = AddressOf(t.next);
                if (t.next && t.next->text == "ELSEIF")
                    a = static_cast<uint16_t>(a + 4);
                out += "$I" + Hex(a, 4); // the record fills "IF" and its blank
            } else if (t.text == "ELSEIF") {
                const CToken* endif = t.owner ? t.owner->owner : nullptr;
                uint16_t a = AddressOf(t.next);
                if (t.next && t.next->text == "ELSEIF")
                    a = static_cast<uint16_t>(a + 4);
                out += "$A" + Hex(AddressOf(endif), 4) + "E$I" + Hex(a, 4); // "ELSEIF" and its blank
            } else if (t.text == "ELSE") {
                out += "$E" + Hex(AddressOf(t.owner ? t.owner->owner : nullptr), 4) + "E";
            } else if (t.text == "SWITCH") {
                out += "$S" + Hex(static_cast<uint16_t>(AddressOf(t.next) + 1), 4) + "TCH";
            } else if (t.text == "CASE") {
                uint16_t a = AddressOf(t.next);
                if (t.next && t.next->text == "CASE")
                    a = static_cast<uint16_t>(a + 1);
                out += "$C$c" + Hex(a, 4);
            } else if (t.text == "DEFAULT") {
                out += "$DEFAULT";
            } else if (t.text == "BREAK") {
                const CToken* block = t.owner;
                uint16_t a = 0;
                if (block && block->text == "SWITCH")
                    a = AddressOf(block->owner);
                else if (block)
                    a = OwnerAddress(block);
                out += "$X" + Hex(a, 4) + "AK";
            } else if (t.text == "ENDS") {
                out += "$eNDS";
            } else if (t.text == "WHILE") {
                out += "$W" + Hex(OwnerAddress(&t), 4) + "LE";
            } else if (t.text == "LOOP") {
                out += "$L" + Hex(AddressOf(t.owner), 4) + "P";
            } else if ((name == "GOTO" || name == "GOSUB") && t.next) {
                const std::string rest = t.text.substr(name.size());
                out += (name == "GOTO" ? "$B" : "$G") + Hex(AddressOf(t.next), 4) +
                       (name == "GOTO" ? "O" : "UB") + rest;
            } else {
                out += t.text;
            }
        }
        if (any)
            out += '\n';
    }
}

std::string CScanner::CompiledImage()
{
    LayoutProgram();
    if (m_programLength > kMaxBody) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "The program is too long: %u bytes; at most %u fit.",
                      static_cast<unsigned>(m_programLength), static_cast<unsigned>(kMaxBody));
        throw CVQXException(CVQXException::FileTooLong, buf);
    }
    std::string out;
    out.reserve(m_programLength + static_cast<size_t>(m_labelCount) * 4 + 64);
    out += '$';
    out += HeaderVersion();
    out += '0';
    out += Hex(m_checksum & 0xFFFFFF, 6);
    out += Hex(m_programLength, 6);
    out += Hex(m_labelSum & 0xFFFFFF, 6);
    out += Hex(static_cast<uint32_t>(m_labelCount) & 0xFFFF, 4);
    const bool emptyIsFFFF = (m_language->Features & 0x10) || (m_language->Features & 0x2);
    for (int32_t i = 0; i < m_labelCount; ++i) {
        const CToken* t = i < kLabelSlots ? m_labels[static_cast<size_t>(i)] : nullptr;
        out += t ? Hex(t->address, 4) : (emptyIsFFFF ? "FFFF" : "0000");
    }
    AppendBody(out);
    return out;
}

bool CScanner::WriteCompiled(const std::string& fileName, bool force)
{
    if (m_errors.GetErrorCount() > 0 && !(force && m_errors.OnlyUndefinedSymbols()))
        return false;
    if (const CToken* t = UncheckedFlowWord()) {
        AddAt(CError::SyntaxError, t,
              "'" + t->text + "' follows an undefined symbol on its line and cannot be downloaded.");
        return false;
    }
    const std::string image = CompiledImage();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        throw CVQXException(CVQXException::CannotWriteFile,
                            "Cannot open the file to write! (" + fileName + ")");
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out)
        throw CVQXException(CVQXException::CannotWriteFile,
                            "Cannot open the file to write! (" + fileName + ")");
    return true;
}

void CScanner::SerializeSettings(CTagArchive& ar, std::string_view group)
{
    if (!ar.OpenGroup(group))
        return;
    ar.SerializeInt("MaxErrors", m_errors.MaxErrors, 50);
    ar.SerializeInt("MaxWarnings", m_errors.MaxWarnings, 50);
    ar.SerializeBool("CheckNumRange", CheckNumRange, true);
    ar.SerializeBool("CheckParamRange", CheckParamRange, false);
    ar.SerializeBool("Errors2Warnings", Errors2Warnings, false);
    ar.CloseGroup();
    if (m_errors.MaxErrors <= 0)
        m_errors.MaxErrors = 50;
    if (m_errors.MaxWarnings <= 0)
        m_errors.MaxWarnings = 50;
}

std::string CScanner::GetCompiledFileName(const std::string& sourcePath)
{
    const bool cal = sourcePath.size() >= 4 && EqualsNoCase(sourcePath.substr(sourcePath.size() - 4), ".tqc");
    const size_t slash = sourcePath.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string result = sourcePath;
    const size_t dot = sourcePath.rfind('.');
    // Only a dot after the first character of the file name part starts an extension.
    if (dot != std::string::npos && dot > nameStart)
        result = sourcePath.substr(0, dot);
    return result + (cal ? ".scx" : ".tqx");
}
