#include "app/shell/gui/PageDlg.h"

#include "app/shell/DialogGeometry.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/Help.h"

#include <QListWidget>
#include <QPushButton>
#include <QTabBar>

#include <algorithm>

CPageDlgItem::CPageDlgItem(int templateId, QWidget* parent) : QWidget(parent), m_templateId(templateId)
{
    setObjectName(QString::number(templateId));
}

std::string CPageDlgItem::HelpTopic() const { return help::WindowTopic(m_templateId); }

CPageDlg::CPageDlg(QWidget* parent, const shell::CAppContext& app, const QString& title, int)
    : QDialog(parent), m_tabs(new QTabBar(this)), m_list(new QListWidget(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_help(new QPushButton(QStringLiteral("Help"), this)),
      m_restore(new QPushButton(QStringLiteral("Restore Defaults"), this))
{
    setObjectName(QStringLiteral("334"));
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_tabs->setObjectName(QStringLiteral("1021"));
    m_list->setObjectName(QStringLiteral("1003"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_cancel->setObjectName(QStringLiteral("2"));
    m_help->setObjectName(QStringLiteral("57670"));
    m_restore->setObjectName(QStringLiteral("1274"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CPageDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPageDlg::reject);
    connect(m_help, &QPushButton::clicked, this, [this, &app] {
        if (CPageDlgItem* page = static_cast<CPageDlgItem*>(m_selector.Page(m_selector.Current())))
            help::ShowHelpTopic(app, page->HelpTopic());
    });
    help::HelpOnF1(m_help);
    connect(m_restore, &QPushButton::clicked, this, [this] { m_selector.RestoreDefaults(); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_syncing)
            SelectPage(index + 1);
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_syncing && row >= 0)
            SelectPage(row + 1);
    });
}

int CPageDlg::AddPage(const QString& name, CPageDlgItem* page, const QIcon& icon)
{
    const int position = m_selector.AddPage(page);
    if (position < 0)
        return -1;
    page->setParent(this);
    page->hide();
    m_pages.push_back(page);
    m_names.push_back(name);
    m_icons.push_back(icon);
    if (m_started) {
        m_syncing = true;
        m_tabs->addTab(icon, name);
        m_list->addItem(new QListWidgetItem(icon, name));
        m_syncing = false;
    }
    return position;
}

void CPageDlg::setVisible(bool visible)
{
    // Sized to its pages before it is placed: it opens centred over the window that opened it.
    if (visible && !m_started)
        Start();
    QDialog::setVisible(visible);
}

void CPageDlg::showEvent(QShowEvent* event)
{
    if (!m_started)
        Start();
    QDialog::showEvent(event);
}

void CPageDlg::Start()
{
    m_started = true;
    m_syncing = true;
    for (size_t i = 0; i < m_pages.size(); ++i) {
        m_tabs->addTab(m_icons[i], m_names[i]);
        m_list->addItem(new QListWidgetItem(m_icons[i], m_names[i]));
    }
    m_syncing = false;
    m_tabs->setVisible(!m_bListStyle);
    m_list->setVisible(m_bListStyle);
    int w = 0, h = 0;
    for (CPageDlgItem* p : m_pages) {
        const QSize s = p->sizeHint().expandedTo(p->minimumSize());
        w = std::max(w, s.width());
        h = std::max(h, s.height());
    }
    // The icon list is as wide as its longest page name with its icon.
    const int listWidth = m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + 4;
    const shell::PageDlgGeometry g = shell::LayoutPageDlg(m_bListStyle, w, h, listWidth);
    auto rect = [](const shell::Box& b) { return QRect(b.x, b.y, b.w, b.h); };
    for (CPageDlgItem* p : m_pages)
        p->setGeometry(rect(g.area));
    (m_bListStyle ? static_cast<QWidget*>(m_list) : m_tabs)->setGeometry(rect(g.selector));
    m_restore->setGeometry(rect(g.restoreDefaults));
    m_help->setGeometry(rect(g.help));
    m_cancel->setGeometry(rect(g.cancel));
    m_ok->setGeometry(rect(g.ok));
    m_restore->setVisible(m_bShowRestoreDefaults);
    setFixedSize(g.width, g.height);
    m_selector.Start();
    ShowCurrent();
    SyncSelector();
    if (!m_pages.empty())
        m_pages.front()->setFocus();
}

void CPageDlg::SelectPage(int position)
{
    const int before = m_selector.Current();
    m_selector.Select(position);
    if (m_selector.Current() != before) {
        ShowCurrent();
        Q_EMIT pageChanged(m_selector.Current());
    }
    // A refused switch puts the selector back on the current page.
    SyncSelector();
}

void CPageDlg::ShowCurrent()
{
    for (size_t i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(static_cast<int>(i) + 1 == m_selector.Current());
}

void CPageDlg::SyncSelector()
{
    m_syncing = true;
    m_tabs->setCurrentIndex(m_selector.Current() - 1);
    m_list->setCurrentRow(m_selector.Current() - 1);
    m_syncing = false;
}

void CPageDlg::accept()
{
    const int before = m_selector.Current();
    const auto result = m_selector.Ok();
    if (m_selector.Current() != before) {
        ShowCurrent();
        Q_EMIT pageChanged(m_selector.Current());
    }
    SyncSelector();
    if (result.ended)
        QDialog::accept();
}
