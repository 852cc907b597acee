#include "app/project/gui/MotorDetailsDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/MotorDetails.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

CMotorDetailsDlg::CMotorDetailsDlg(QWidget* parent, const CMotor& motor) : QDialog(parent), m_text(new QTextEdit(this))
{
    setObjectName(QStringLiteral("278"));
    setWindowTitle(QString::fromLatin1(MotorDetails::kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    const MotorDetails details = DescribeMotor(motor);

    m_text->setObjectName(QString::number(MotorDetails::kText));
    m_text->setReadOnly(true);
    m_text->setTabStopDistance(200);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(12);
    m_text->setFont(arial);
    QTextCursor cursor(m_text->document());
    if (!details.name.empty()) {
        QTextCharFormat name;
        name.setFontWeight(QFont::Bold);
        name.setForeground(QColor(0, 0, 255));
        cursor.insertText(fw::ToQt(details.name), name);
    }
    cursor.insertText(fw::ToQt(details.lines), QTextCharFormat());
    m_text->setMinimumSize(420, 300);

    auto* options = new QGroupBox(QStringLiteral("Hardware Options:"), this);
    auto* grid = new QGridLayout(options);
    for (int i = 0; i < MotorDetails::kOptions; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(MotorDetails::OptionTexts()[static_cast<size_t>(i)]), options);
        box->setObjectName(QString::number(MotorDetails::kFirstOption + i));
        box->setChecked(details.options[static_cast<size_t>(i)]);
        box->setAttribute(Qt::WA_TransparentForMouseEvents); // shows, does not edit
        box->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(box, i / 2, i % 2);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(options);
    layout->addWidget(buttons);
}
