#pragma once
// The engine's variant of the one compiler: the language is the built-in table (the engine's rows
// of the language table), a program text is cut into lines as the engine cuts it and checked
// without the preprocessor, the messages carry the engine's codes and texts (errors below 100,
// warnings from 100) under the engine's limits, and the compiled file has the fixed header
// "$4000" + checksum, length, label sum (six hex digits each) and label count (four).

#include "scanner/Scanner.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CEngineMessage {
    int32_t code = 0;
    std::string text;
    int32_t line = -1;
    int32_t column = -1;
    bool IsWarning() const { return code > 99; }
};

class CEngineCompiler {
public:
    // The list's own entries when a limit is reached (line and column -1; both count as errors).
    static constexpr int32_t TooManyErrors = 21, TooManyWarnings = 22;

    CEngineCompiler();

    // Compiles a program text; the messages of the last compile replace the list.
    void CompileText(std::string_view text);
    // Reads a source file (plain text or RTF) and compiles its text; core code 1034 when it cannot
    // be read.
    void CompileFile(const std::string& path);
    // Compiles the source file and, when it has no errors, replaces `target` with the compiled
    // program (atomically). False (nothing written) after errors; core code 1035 when the file
    // cannot be written.
    bool MakeCompiled(const std::string& source, const std::string& target);
    // The compiled file beside a source: the source's own extension (never a dot of a folder name)
    // replaced by ".tqx", or ".tqx" appended when the file name has none.
    static std::string CompiledFileName(const std::string& source);

    // The engine's lines of a text: cut at line feeds (a run of them is one separator), each piece
    // cut before its first carriage return.
    static std::vector<std::string> SplitLines(std::string_view text);

    const std::vector<CEngineMessage>& Messages() const { return m_messages; }
    int32_t ErrorCount() const { return m_errors; }
    int32_t WarningCount() const { return m_warnings; }
    // Taken by the next compile; each must be above 0 (the caller checks).
    int32_t MaxErrors = 50;
    int32_t MaxWarnings = 50;

    // The compiled image of the last compile (header, labels, body).
    std::string CompiledImage() { return m_scanner.CompiledImage(); }

private:
    // Turns the one compiler's messages into the engine's, applying the engine's limits.
    void TakeMessages();
    // The engine's form of one message; code 0 when the engine raises no such message.
    CEngineMessage Translate(const CError& e) const;
    bool Add(CEngineMessage m);

    CScanner m_scanner;
    std::vector<CEngineMessage> m_messages;
    int32_t m_errors = 0;
    int32_t m_warnings = 0;
    int32_t m_lastLine = 0;
};
