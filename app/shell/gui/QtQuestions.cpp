#include "app/shell/gui/QtQuestions.h"

#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/OptionMsgBox.h"
#include "core/shared/SharedFunctions.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QVBoxLayout>

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
    return box.Ask();
}

ui::ChoiceReply QtQuestions::AskChoice(const ui::ChoiceRequest& request)
{
    CChoiceDlg box(request, Owner());
    return box.Ask();
}

std::optional<std::string> QtQuestions::AskMotorIP(const ui::MotorIPRequest& request)
{
    QDialog dialog(Owner());
    dialog.setWindowTitle(QStringLiteral("VQX"));
    auto* note = new QLabel(QString::fromLatin1(request.note.c_str()), &dialog);
    note->setWordWrap(true);
    auto* edit = new QLineEdit(QString::fromLatin1(request.address.c_str()), &dialog);
    edit->setObjectName(QStringLiteral("1018"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(note);
    layout->addWidget(edit);
    if (request.showLocalAddress) {
        QString local;
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                local = a.toString();
                break;
            }
        layout->addWidget(new QLabel(local, &dialog));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (ParseIPAddress(edit->text().toStdString())) {
            dialog.accept();
            return;
        }
        ui::MessageBoxRequest invalid;
        invalid.text = ui::kInvalidIPMessage;
        invalid.style = ui::MB_OK | ui::MB_ICONEXCLAMATION;
        AskMessageBox(invalid);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text().toStdString();
}

ui::DownloadDoneReply QtQuestions::AskDownloadDone()
{
    CDownloadDoneDlg box(Owner());
    return box.Ask();
}

} // namespace bridge
