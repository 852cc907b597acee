#pragma once
// Scanning and building the program of a source document: the language chosen from the target
// motor or the document's own version, every compiler message in the information view (with the
// document's path, so that a double-click opens it at its line), the "Undefined Symbols" question,
// and the compiled file beside the source.

#include <functional>
#include <string>
#include <vector>

class CMotor;
class CProject;
class CScanner;
namespace ui {
class COperationContext;
class CInfoView;
}

namespace editor {

inline constexpr const char* kMustSaveText = "You must save the file before scanning it.";

// What the build needs of the source document (the editor view implements it).
class ISourceDocument {
public:
    virtual ~ISourceDocument() = default;
    // The file of the document; empty when it was never saved.
    virtual std::string PathName() const = 0;
    virtual std::string Title() const = 0;
    // The source's own language version (a property of the file), empty when none.
    virtual std::string LanguageVersion() const = 0;
    virtual bool IsCalibration() const = 0;
    // The text as the compiler reads it (8-bit bytes, "\n" between lines).
    virtual std::string PlainText() const = 0;
    // Saves a modified document (Save As when it has no path); false when it still is not saved.
    virtual bool EnsureSaved() = 0;
};

// The motors of the project whose associated files include the path, in project order.
std::vector<CMotor*> AssociatedMotors(const CProject* project, const std::string& path);

class CSourceBuild {
public:
    CSourceBuild(CScanner& scanner, ui::COperationContext& context, const CProject* project)
        : m_scanner(scanner), m_context(context), m_project(project) {}

    // Compiles the document's text for the target motor's language (the one given, else, when
    // asked, the first motor the file is associated with), else the document's version, else the
    // default language. True without errors.
    bool ScanActiveView(ISourceDocument& doc, CMotor* motor, bool useAssociatedMotor, bool showSummary);
    // Scans and writes the compiled file (".tqx", ".scx" for a calibration source). True when it
    // was written.
    bool BuildActiveView(ISourceDocument& doc, CMotor* motor, bool useAssociatedMotor, bool showSummary);

    // The language version the last scan used.
    const std::string& Version() const { return m_version; }
    CScanner& Scanner() { return m_scanner; }
    ui::COperationContext& Context() { return m_context; }
    const CProject* Project() const { return m_project; }

    // While a build runs, views do not reload their language on focus.
    static bool BuildRunning() { return s_buildRunning; }

private:
    void Summary(bool success);

    CScanner& m_scanner;
    ui::COperationContext& m_context;
    const CProject* m_project;
    std::string m_version;
    static inline bool s_buildRunning = false;
};

} // namespace editor
