#include "core/transfer/UndefinedSymbolsDlg.h"

#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"

namespace transfer {

int CUndefinedSymbolsDlg::DoModal(ui::IQuestions& questions)
{
    ui::MessageBoxRequest request;
    request.text = m_message;
    request.caption = "Undefined Symbols";
    // Force Download on the left, OK on the right: closing the box never forces anything.
    request.style = ui::kCustomButtons | ui::MB_ICONEXCLAMATION;
    request.buttonTexts = {"Force Download", "", "OK"};
    const bool hide = m_hideCheck && *m_hideCheck;
    if (!hide) {
        // The check box shows with this bit; an empty key keeps the answer from being stored.
        request.style |= ui::kRememberAnswer;
        request.checkText = "Check to disable this message.";
    }
    const ui::MessageBoxReply reply = questions.AskMessageBox(request);
    if (reply.answer == ui::kLeftButton)
        return kForceDownload;
    if (m_hideCheck && !hide && reply.answer == ui::kRightButton)
        *m_hideCheck = reply.checked;
    return ui::IDOK;
}

bool ConfirmUndefinedSymbols(ui::COperationContext& context, const std::string& languageVersion)
{
    const std::string text = std::string(ui::kProblemsMessage) +
                             "\n\nThere may be some commands in the program that are not defined in motor version '" +
                             languageVersion + "'.";
    bool hide = ui::GetRememberedAnswer(ui::kProblemsKey) == 1;
    const bool wasHidden = hide;
    CUndefinedSymbolsDlg dlg(text, &hide);
    if (dlg.DoModal(context.Questions()) == CUndefinedSymbolsDlg::kForceDownload) {
        context.Info().AddInfo("Ignoring undefined symbols.");
        return true;
    }
    if (hide && !wasHidden)
        ui::SetRememberedAnswer(ui::kProblemsKey, 1);
    return false;
}

} // namespace transfer
