#include "app/shell/gui/TipDlg.h"

#include "app/framework/gui/Text8.h"
#include "core/shared/TipOfTheDay.h"
#include "core/ui/Questions.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

CTipDlg::CTipDlg(QWidget* parent, std::string tipsFile)
    : QDialog(parent), m_file(std::move(tipsFile)), m_text(new QTextEdit(this)), m_check(new QCheckBox(this))
{
    setObjectName(QStringLiteral("188"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("1020"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(10, 10, 380, 220);
    auto* picture = new QLabel(QStringLiteral("Did you know..."), this);
    picture->setObjectName(QStringLiteral("1154"));
    picture->setGeometry(10, 10, 380, 40);
    QFont big = picture->font();
    big.setPointSize(14);
    big.setBold(true);
    picture->setFont(big);
    picture->setContentsMargins(10, 0, 0, 0);
    m_text->setObjectName(QStringLiteral("1152"));
    m_text->setReadOnly(true);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setGeometry(15, 65, 370, 160);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("1"));
    close->setGeometry(310, 240, 80, 30);
    close->setDefault(true);
    auto* next = new QPushButton(QStringLiteral("&Next Tip"), this);
    next->setObjectName(QStringLiteral("1153"));
    next->setGeometry(220, 240, 80, 30);
    m_check->setObjectName(QStringLiteral("1151"));
    m_check->setText(QStringLiteral("Don't show tips at startup"));
    m_check->setGeometry(10, 240, 200, 20);
    setFixedSize(405, 310);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(next, &QPushButton::clicked, this, &CTipDlg::ShowNextTip);
}

void CTipDlg::showEvent(QShowEvent* event)
{
    if (!m_tipTaken)
        ShowNextTip();
    QDialog::showEvent(event);
}

int CTipDlg::DoModal()
{
    if (!ShowTipsAtStartup())
        return ui::IDCANCEL;
    exec();
    return ui::IDOK;
}

void CTipDlg::ShowNextTip()
{
    m_tipTaken = true;
    m_text->clear();
    QFont font(QStringLiteral("Tahoma"), 10);
    font.setBold(false);
    font.setItalic(false);
    m_text->setCurrentFont(font);
    m_text->setPlainText(fw::ToQt(NextTip(m_file)));
}

void CTipDlg::done(int result)
{
    if (m_check->isChecked())
        DisableStartupTips();
    QDialog::done(result == QDialog::Rejected ? ui::IDOK : result);
}
