#include "core/ui/InfoView.h"

#include "core/ui/Questions.h"

namespace ui {

bool CInfoView::IsCompilerWarning(int32_t code)
{
    return (code >= 1401 && code <= 1599) || (code >= 1601 && code <= 1799);
}

std::string CInfoView::CompilerLocation(std::string_view file, int32_t line)
{
    if (line < 0)
        return {};
    return std::string(file) + "(" + std::to_string(static_cast<int64_t>(line) + 1) + "):";
}

std::string CInfoView::SummaryText(int errors, int warnings)
{
    std::string text = "Finished. ";
    if (errors == 0)
        text += "No errors, ";
    else if (errors == 1)
        text += "1 error, ";
    else
        text += std::to_string(errors) + " errors, ";
    if (warnings == 0)
        text += "No warnings.";
    else if (warnings == 1)
        text += "1 warning.";
    else
        text += std::to_string(warnings) + " warnings.";
    return text;
}

void CInfoView::Append(CInfoLine line)
{
    ++m_lineCount;
    m_lines.push_back(std::move(line));
    OnLineAdded(m_lines.back());
}

void CInfoView::AddError(std::string_view text)
{
    ++m_errors;
    Append({InfoKind::Error, {}, std::string(text), nullptr});
}

void CInfoView::AddWarning(std::string_view text)
{
    ++m_warnings;
    Append({InfoKind::Warning, {}, std::string(text), nullptr});
}

void CInfoView::AddCompilerMessage(int32_t code, int32_t line, int32_t column, std::string_view file,
                                   std::string_view text)
{
    auto item = std::make_shared<CInfoItem>();
    item->line = line;
    item->column = column;
    item->file = std::string(file);
    item->code = code;
    const bool warning = IsCompilerWarning(code);
    if (warning)
        ++m_warnings;
    else
        ++m_errors;
    Append({warning ? InfoKind::Warning : InfoKind::Error, CompilerLocation(file, line), std::string(text),
            std::move(item)});
}

void CInfoView::AddException(const CVQXException& e)
{
    ++m_errors;
    if (e.GetCode() == kCalibrationUnfinishedCode)
        ++m_calibrationWarnings;
    Append({InfoKind::Error, {}, e.GetMessage(), std::shared_ptr<const CInfoItem>(e.CreateErrorItem())});
}

void CInfoView::AddExceptionWarning(const CVQXException& e)
{
    ++m_warnings;
    if (e.GetCode() == kCalibrationUnfinishedCode)
        ++m_calibrationWarnings;
    Append({InfoKind::Warning, {}, e.GetMessage(), std::shared_ptr<const CInfoItem>(e.CreateErrorItem())});
}

void CInfoView::AddInfo(std::string_view text) { Append({InfoKind::Info, {}, std::string(text), nullptr}); }

void CInfoView::AddCalibrationWarning(std::string_view text, uint32_t motorDataWord)
{
    AddExceptionWarning(CVQXException(kCalibrationUnfinishedCode, std::string(text), motorDataWord));
}

void CInfoView::Clear()
{
    if (!HasWindow())
        return;
    m_lines.clear();
    m_errors = m_warnings = m_lineCount = m_calibrationWarnings = 0;
    m_summaryAt = 0;
    OnCleared();
}

void CInfoView::Show(bool clear)
{
    if (clear)
        Clear();
    OnShow();
}

void CInfoView::ShowSummary(bool announceSuccess, bool announceProblems, IQuestions& questions)
{
    if (m_summaryAt != 0 && m_summaryAt == m_lines.size() && (m_summaryToldSuccess || !announceSuccess) &&
        (m_summaryToldProblems || !announceProblems))
        return;
    AddInfo(SummaryText(m_errors, m_warnings));
    m_summaryAt = m_lines.size();
    m_summaryToldSuccess = announceSuccess;
    m_summaryToldProblems = announceProblems;
    OnSummary();
    const uint32_t style = MB_OK | MB_ICONASTERISK | kRememberAnswer;
    if ((m_errors > 0 || m_warnings > 0) && announceProblems)
        OptionMessageBox(questions, kProblemsMessage, style, kDefaultCaption, kCheckToDisable, kProblemsKey);
    else if (announceSuccess)
        OptionMessageBox(questions, kSuccessMessage, style, kDefaultCaption, kCheckToDisable, kSuccessKey);
}

std::string CInfoView::CopyText() const
{
    if (m_lines.empty())
        return {};
    std::string text = "Type\tLocation\tDescription\r\n----\t--------\t-----------\r\n";
    for (const auto& line : m_lines) {
        text += line.kind == InfoKind::Error ? "Error\t" : (line.kind == InfoKind::Warning ? "Warning\t" : "Info\t");
        text += line.location;
        text += "\t";
        text += line.description;
        text += "\r\n";
    }
    return text;
}

} // namespace ui
