#include "app/shell/gui/QtQuestions.h"

#include "app/framework/gui/CentreOver.h"
#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/MotorIPDlg.h"
#include "app/shell/gui/OptionMsgBox.h"

#include <QApplication>

namespace bridge {

QWidget* QtQuestions::Owner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_parent;
}

ui::MessageBoxReply QtQuestions::AskMessageBox(const ui::MessageBoxRequest& request)
{
    COptionMsgBox box(request, Owner());
    fw::CentreOver(&box, fw::OpenerWindow(Owner()));
    return box.Ask();
}

ui::ChoiceReply QtQuestions::AskChoice(const ui::ChoiceRequest& request)
{
    CChoiceDlg box(request, Owner(), m_help);
    fw::CentreOver(&box, fw::OpenerWindow(Owner()));
    return box.Ask();
}

std::optional<std::string> QtQuestions::AskMotorIP(const ui::MotorIPRequest& request)
{
    std::string address = request.address;
    CMotorIPDlg dialog(Owner(), *this, address, request.note, request.showLocalAddress);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return address;
}

ui::DownloadDoneReply QtQuestions::AskDownloadDone()
{
    CDownloadDoneDlg box(Owner());
    return box.Ask();
}

} // namespace bridge
