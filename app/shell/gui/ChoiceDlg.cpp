#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/Help.h"

#include "app/framework/gui/Text8.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CChoiceDlg::CChoiceDlg(const ui::ChoiceRequest& request, QWidget* parent, std::function<void(int)> showHelp)
    : QDialog(parent), m_request(request), m_text(new QLabel(this)), m_check(new QCheckBox(this)),
      m_ok(new QPushButton(this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_help(new QPushButton(QStringLiteral("Help"), this))
{
    setObjectName(QStringLiteral("221"));
    setWindowTitle(request.caption.empty() ? QStringLiteral("VQX") : fw::ToQt(request.caption));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_text->setObjectName(QStringLiteral("1069"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setText(fw::ToQt(request.text));
    m_text->setMinimumWidth(360);

    const ui::ChoiceLayout layout = ui::ChoiceLayoutOf(request);
    auto* radios = new QVBoxLayout;
    for (int i = 0; i < 5; ++i) {
        m_radios[i] = new QRadioButton(fw::ToQt(request.labels[static_cast<size_t>(i)]), this);
        m_radios[i]->setObjectName(QString::number(1246 + i));
        // Hidden answers leave no gap: the layout closes up over them.
        m_radios[i]->setVisible(request.values[static_cast<size_t>(i)] != 0);
        radios->addWidget(m_radios[i]);
    }
    if (layout.initial >= 0)
        m_radios[layout.initial]->setChecked(true);

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("1415"));
    separator->setFrameShape(QFrame::HLine);
    m_check->setObjectName(QStringLiteral("1244"));
    m_check->setText(QString::fromLatin1(ui::kChoiceCheckText));
    const bool checkShown = request.flags & ui::kChoiceCheckBox;
    separator->setVisible(checkShown);
    m_check->setVisible(checkShown);

    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setText((request.flags & ui::kChoiceNext) ? QStringLiteral("Next") : QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("2"));
    m_cancel->setVisible(!(request.flags & ui::kChoiceNoCancel));
    m_help->setObjectName(QStringLiteral("57670"));
    m_help->setVisible(request.helpId != 0);
    connect(m_ok, &QPushButton::clicked, this, &CChoiceDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CChoiceDlg::reject);
    const int helpId = request.helpId;
    connect(m_help, &QPushButton::clicked, this, [helpId, showHelp = std::move(showHelp)] {
        if (showHelp)
            showHelp(helpId);
    });
    help::HelpOnF1(m_help);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_help);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(m_text);
    main->addLayout(radios);
    main->addWidget(separator);
    main->addWidget(m_check);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
}

ui::ChoiceReply CChoiceDlg::Ask()
{
    m_reply = {ui::IDCANCEL, false};
    exec();
    return m_reply;
}

void CChoiceDlg::accept()
{
    m_reply.checked = m_check->isVisible() && m_check->isChecked();
    for (int i = 0; i < 5; ++i) {
        if (m_radios[i]->isVisible() && m_radios[i]->isChecked()) {
            m_reply.value = m_request.values[static_cast<size_t>(i)];
            QDialog::accept();
            return;
        }
    }
    // No radio checked: nothing happens.
}

void CChoiceDlg::reject()
{
    if (!m_cancel->isVisible()) {
        accept();
        return;
    }
    m_reply.checked = m_check->isVisible() && m_check->isChecked();
    m_reply.value = ui::IDCANCEL;
    QDialog::reject();
}

// ---- CDownloadDoneDlg ----------------------------------------------------------------------------

CDownloadDoneDlg::CDownloadDoneDlg(QWidget* parent) : QDialog(parent), m_check(new QCheckBox(this))
{
    setObjectName(QStringLiteral("214"));
    setWindowTitle(QStringLiteral("Program Download"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* text = new QLabel(QStringLiteral("The program was downloaded."), this);
    auto* run = new QPushButton(QStringLiteral("Run"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    run->setObjectName(QStringLiteral("1076"));
    reset->setObjectName(QStringLiteral("1077"));
    close->setObjectName(QStringLiteral("1"));
    m_check->setObjectName(QStringLiteral("1208"));
    m_check->setText(QString::fromLatin1(ui::kCheckToDisable));
    close->setDefault(true);
    connect(run, &QPushButton::clicked, this, [this] { m_answer = ui::kDownloadDoneRun; done(m_answer); });
    connect(reset, &QPushButton::clicked, this, [this] { m_answer = ui::kDownloadDoneReset; done(m_answer); });
    connect(close, &QPushButton::clicked, this, [this] { m_answer = ui::IDOK; done(m_answer); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(run);
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* main = new QVBoxLayout(this);
    main->addWidget(text);
    main->addWidget(m_check);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
}

ui::DownloadDoneReply CDownloadDoneDlg::Ask()
{
    m_answer = ui::IDOK; // Escape and the close box: as Close
    exec();
    return {m_answer, m_answer == ui::IDOK && m_check->isChecked()};
}
