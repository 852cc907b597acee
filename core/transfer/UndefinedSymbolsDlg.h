#pragma once
// The "Undefined Symbols" question that the editor's build command asks before it writes a compiled
// file whose only problems are symbols the motor's language version does not define.

#include <string>

namespace ui {
class COperationContext;
class IQuestions;
}

namespace transfer {

class CUndefinedSymbolsDlg {
public:
    static constexpr int kForceDownload = 1482;

    // hideCheck: in, true hides the check box; out, the check box state after OK.
    CUndefinedSymbolsDlg(std::string message, bool* hideCheck) : m_message(std::move(message)), m_hideCheck(hideCheck) {}
    // IDOK or kForceDownload.
    int DoModal(ui::IQuestions& questions);
    const std::string& Message() const { return m_message; }

private:
    std::string m_message;
    bool* m_hideCheck;
};

// The build command's use of it: the text with the language version, the check box hidden when
// "OptionBoxes"/"ErrorsDetected" is 1, OK with the box ticked stores 1 there, and Force Download
// adds "Ignoring undefined symbols." to the context's information view. True: write the compiled
// file anyway.
bool ConfirmUndefinedSymbols(ui::COperationContext& context, const std::string& languageVersion);

} // namespace transfer
