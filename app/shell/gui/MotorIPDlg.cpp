#include "app/shell/gui/MotorIPDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/shell/SmallForms.h"
#include "app/shell/gui/DialogWidgets.h"
#include "core/ui/Questions.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>

CMotorIPDlg::CMotorIPDlg(QWidget* parent, ui::IQuestions& questions, std::string& address, const std::string& note,
                         bool showLocalAddress)
    : QDialog(parent), m_questions(questions), m_address(address)
{
    setObjectName(QStringLiteral("283"));
    setWindowTitle(QStringLiteral("Motor IP Address"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_edit = new QLineEdit(fw::ToQt(address), this);
    m_edit->setObjectName(QStringLiteral("1018"));
    auto* local = new QLineEdit(this);
    local->setObjectName(QStringLiteral("1021"));
    local->setReadOnly(true);
    auto* localLabel = new QLabel(QStringLiteral("This Computer's IP address:"), this);
    localLabel->setObjectName(QStringLiteral("1491"));
    auto* noteLabel = new QLabel(fw::ToQt(note), this);
    noteLabel->setObjectName(QStringLiteral("1490"));
    noteLabel->setWordWrap(true);
    if (showLocalAddress) {
        // The first IPv4 address of this computer that others can reach; "Unknown" when none.
        QString text = QStringLiteral("Unknown");
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                text = a.toString();
                break;
            }
        }
        local->setText(text);
    }
    local->setVisible(showLocalAddress);
    localLabel->setVisible(showLocalAddress);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CMotorIPDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMotorIPDlg::reject);
    auto* grid = new QGridLayout(this);
    grid->addWidget(noteLabel, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Motor's static IP address:"), this), 1, 0);
    grid->addWidget(m_edit, 1, 1);
    grid->addWidget(localLabel, 2, 0);
    grid->addWidget(local, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void CMotorIPDlg::accept()
{
    const std::optional<std::string> address = shell::CanonicalIPAddress(fw::FromQt(m_edit->text()));
    if (!address) {
        dialogwidgets::StopBox(m_questions, ui::kInvalidIPMessage);
        return;
    }
    m_address = *address;
    QDialog::accept();
}
