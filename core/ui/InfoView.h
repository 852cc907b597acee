#pragma once
// The information seam: the one "Information" list of error, warning and
// information lines that every long operation (compiling, downloading, detecting, addressing,
// uploading) fills, with its counters, its "Finished." summary and the Copy text.
//
// CInfoView holds the lines, the counters and the rules (image, Location, counting, summary);
// the application shell's information bar derives from it and draws the lines in its hooks, and
// CHeadlessInfoView is the implementation for tests and for programs without a user interface.
// Compiler messages come in as plain fields (code, line, column, file, text) so that the core does
// not depend on the compiler's CError.

#include "core/VQXException.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class IQuestions;

// The line's image in the list: 0 error, 1 warning, 2 information.
enum class InfoKind : int { Error = 0, Warning = 1, Info = 2 };

struct CInfoLine {
    InfoKind kind = InfoKind::Info;
    std::string location;              // "Location" column
    std::string description;           // "Description" column
    std::shared_ptr<const CInfoItem> item; // none for information lines and plain texts
};

// Texts of the summary.
inline constexpr const char* kProblemsMessage =
    "One or more Errors/Warnings were detected during the operation.\nPlease Check them in the Information View.";
inline constexpr const char* kSuccessMessage = "The operation finished successfully.";
inline constexpr const char* kProblemsKey = "ErrorsDetected";
inline constexpr const char* kSuccessKey = "SuccessMsg";
// The code of the warning that a motor's index calibration has not finished.
inline constexpr int32_t kCalibrationUnfinishedCode = 1048;

class CInfoView {
public:
    virtual ~CInfoView() = default;

    // ---- adding lines (each appends, and the view shows it at once) ----
    void AddError(std::string_view text);
    void AddWarning(std::string_view text);
    // A compiler message: a warning for codes 1401..1599 and 1601..1799, else an error; Location
    // "%s(%d):" with the file and line + 1, empty when line < 0.
    void AddCompilerMessage(int32_t code, int32_t line, int32_t column, std::string_view file,
                            std::string_view text);
    void AddException(const CVQXException& e);
    void AddExceptionWarning(const CVQXException& e);
    void AddInfo(std::string_view text);
    // A calibration warning of a detection: a warning line with the text and
    // an item of code 1048 carrying the motor's data word (port index low, address high), so that
    // double-clicking it offers the calibration check. Counts as a warning and a calibration
    // warning.
    void AddCalibrationWarning(std::string_view text, uint32_t motorDataWord);

    // Clear: nothing when the list has no window; otherwise every line goes and the counters
    // are 0.
    void Clear();
    // Show (clear): Clear when asked, then the view is shown.
    void Show(bool clear);
    // Adds "Finished. ..." as an information line; then, when there was an error or warning and
    // announceProblems is set, the remembered-answer box kProblemsMessage (key "ErrorsDetected");
    // else when announceSuccess is set, kSuccessMessage (key "SuccessMsg"); both MB_OK +
    // MB_ICONASTERISK with the remember flag and "Check to disable this message", asked of
    // `questions`. The counters stay. A summary right after the last one (nothing added since:
    // a command whose error query already told the outcome) that would announce nothing more is
    // not told again.
    void ShowSummary(bool announceSuccess, bool announceProblems, IQuestions& questions);

    // ---- counters since the last Clear ----
    int ErrorCount() const { return m_errors; }
    int WarningCount() const { return m_warnings; }
    int LineCount() const { return m_lineCount; }
    // Lines that report an unfinished calibration (AddCalibrationWarning, or an exception of code
    // 1048 added as a warning or an error).
    int CalibrationWarningCount() const { return m_calibrationWarnings; }

    const std::vector<CInfoLine>& Lines() const { return m_lines; }
    // The Copy text: a header, then "Error", "Warning" or "Info", Location and Description per
    // line, tab-separated, "\r\n"-ended; the cells are copied whole (no 255-character cut).
    // Empty when there are no lines.
    std::string CopyText() const;

    // ---- rules, for the view and for tests ----
    static bool IsCompilerWarning(int32_t code);
    static std::string CompilerLocation(std::string_view file, int32_t line);
    // "Finished. " + "No errors, " / "1 error, " / "%d errors, " + "No warnings." / "1 warning." /
    // "%d warnings.".
    static std::string SummaryText(int errors, int warnings);

protected:
    // Hooks of the widget: a line was appended (make it visible and repaint), the lines were
    // cleared, the view is to be shown, the summary was added (size the columns).
    virtual void OnLineAdded(const CInfoLine&) {}
    virtual void OnCleared() {}
    virtual void OnShow() {}
    virtual void OnSummary() {}
    // Whether the list's window exists (Clear before it exists leaves the counters alone).
    virtual bool HasWindow() const { return true; }

private:
    void Append(CInfoLine line);

    std::vector<CInfoLine> m_lines;
    int m_warnings = 0;
    int m_errors = 0;
    int m_lineCount = 0;
    int m_calibrationWarnings = 0;
    size_t m_summaryAt = 0; // the line count after the last summary line; 0: none since Clear
    bool m_summaryToldSuccess = false, m_summaryToldProblems = false; // what it announced
};

} // namespace ui
