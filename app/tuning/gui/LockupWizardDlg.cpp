#include "app/tuning/gui/LockupWizardDlg.h"

#include "app/framework/LongOperation.h"
#include "app/framework/gui/Text8.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tuning::gui {
namespace {

using namespace lockup;

constexpr int kTemplate = 185;

QPushButton* Button(const char* text, int id, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

} // namespace

CLockupWizardDlg::CLockupWizardDlg(QWidget* parent, std::vector<CCommPort*> ports, CCommPort* current,
                                   const shell::CAppContext& app, LockupSurroundings surroundings)
    : QDialog(parent)
{
    setObjectName(QString::number(kTemplate));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_ports = new QComboBox(this);
    m_ports->setObjectName(QString::number(kPortCombo));
    m_text = new QLabel(this);
    m_text->setObjectName(QString::number(kText));
    m_text->setWordWrap(true);
    m_text->setMinimumWidth(520);
    m_text->setMinimumHeight(230);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_continue = Button("Continue", kContinue, this);
    m_upload = Button("Upload Program", kUpload, this);
    m_clear = Button("Clear EEPROM", kClear, this);
    auto* help = Button("Help", 9, this);
    auto* close = Button("Close", kClose, this);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("Port:"), this));
    portRow->addWidget(m_ports, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_continue, m_upload, m_clear})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addLayout(portRow);
    column->addWidget(m_text, 1);
    column->addLayout(buttons);

    // The loop's pump: the window's own events (Continue, Close); the tool timers are held by the
    // handler that runs the loop.
    surroundings.pump = [this] {
        Refresh();
        QApplication::processEvents();
    };
    surroundings.waitCursor = [this](bool on) {
        if (on && m_cursor == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_cursor = 1;
        } else if (!on && m_cursor > 0) {
            QApplication::restoreOverrideCursor();
            m_cursor = 0;
        }
    };
    m_form = std::make_unique<CLockupWizard>(std::move(ports), current, app.Clock(), app.Questions(),
                                             std::move(surroundings));
    for (const std::string& name : m_form->PortNames())
        m_ports->addItem(fw::ToQt(name));

    connect(m_ports, &QComboBox::activated, this, [this](int index) { m_form->Select(index); });
    connect(m_continue, &QPushButton::clicked, this, [this] { Act(&CLockupWizard::OnContinue); });
    connect(m_upload, &QPushButton::clicked, this, [this] { Act(&CLockupWizard::OnUpload); });
    connect(m_clear, &QPushButton::clicked, this, [this] { Act(&CLockupWizard::OnClear); });
    connect(help, &QPushButton::clicked, this, [&app] { help::ShowHelpTopic(app, help::WindowTopic(kTemplate)); });
    help::HelpOnF1(help);
    connect(close, &QPushButton::clicked, this, &CLockupWizardDlg::reject);
    Refresh();
}

CLockupWizardDlg::~CLockupWizardDlg()
{
    if (m_cursor > 0)
        QApplication::restoreOverrideCursor();
}

void CLockupWizardDlg::Act(void (CLockupWizard::*action)())
{
    fw::LongOperation busy;
    ++m_depth;
    (m_form.get()->*action)();
    --m_depth;
    Refresh();
    // A Close pressed while the loop ran takes effect now that the loop has returned.
    if (m_depth == 0 && m_form->Finished())
        done(QDialog::Rejected);
}

void CLockupWizardDlg::reject() { Act(&CLockupWizard::OnClose); }

void CLockupWizardDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void CLockupWizardDlg::Refresh()
{
    const CLockupWizard& f = *m_form;
    m_ports->setCurrentIndex(f.Selected());
    m_ports->setEnabled(f.ComboEnabled());
    m_text->setText(fw::ToQt(f.Text()));
    m_continue->setVisible(f.ContinueVisible());
    m_continue->setEnabled(f.ContinueEnabled());
    m_upload->setVisible(f.ContactButtonsVisible());
    m_clear->setVisible(f.ContactButtonsVisible());
}

} // namespace tuning::gui
