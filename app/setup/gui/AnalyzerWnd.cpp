#include "app/setup/gui/AnalyzerWnd.h"

#include "app/shell/gui/AppContext.h"
#include "app/framework/gui/Text8.h"

#include "app/project/Project.h"
#include "app/setup/AnalyzerRows.h"
#include "app/setup/gui/AnalyzerView.h"
#include "app/setup/gui/SendBarEdit.h"
#include "app/framework/gui/DockDlg.h"
#include "app/shell/gui/DialogWidgets.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/fs/AtomicFile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

struct MenuItem {
    int id;
    const char* text;
};
constexpr MenuItem kColumns[] = {
    {35001, "1st Column: Hex"}, {35002, "1st Column: Dec"},  {35003, "1st Column: Char"},
    {35004, "2nd Column: None"}, {35005, "2nd Column: Hex"}, {35006, "2nd Column: Dec"},
    {35007, "2nd Column: Char"}, {35008, "3rd Column: None"}, {35009, "3rd Column: Hex"},
    {35010, "3rd Column: Dec"},  {35011, "3rd Column: Char"},
};
constexpr MenuItem kFilters[] = {{35100, "Transmit"},       {35101, "Receive"},          {35102, "Echo"},
                                 {35103, "Tx by VQX"},      {35104, "Tx by Terminal"},   {35105, "Tx by SDA"}};

} // namespace

CSerialDataAnalyzerWnd::CSerialDataAnalyzerWnd(shell::CAppContext& app, QWidget* parent)
    : QWidget(parent), m_app(app), m_tabs(new QTabBar(this)), m_view(new CSdaView(this)),
      m_sendBar(new CSendBarEdit(this)), m_menu(new QMenu(this))
{
    setObjectName(QStringLiteral("251"));
    setWindowTitle(QStringLiteral("Serial Data Analyzer"));
    m_tabs->setObjectName(QStringLiteral("1048"));
    m_tabs->setToolTip(QStringLiteral("Select Port"));
    auto* send = new QPushButton(QStringLiteral("Send"), this);
    send->setObjectName(QStringLiteral("1156"));
    send->setToolTip(QStringLiteral("Send the data to the motor(s) (F9)"));
    const char* names[] = {"Hex", "Dec", "Char"};
    const char* tips[] = {"Activate Hexadecimal data entry", "Activate Decimal data entry",
                          "Activate Character data entry"};
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_sendBar, 1);
    for (int i = 0; i < 3; ++i) {
        m_formats[i] = new QRadioButton(QString::fromLatin1(names[i]), this);
        m_formats[i]->setObjectName(QString::number(1267 + i));
        m_formats[i]->setToolTip(QString::fromLatin1(tips[i]));
        bar->addWidget(m_formats[i]);
        connect(m_formats[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                m_sendBar->SetFormat(i);
        });
    }
    m_formats[0]->setChecked(true);
    bar->addWidget(send);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_tabs);
    layout->addWidget(m_view, 1);
    layout->addLayout(bar);

    for (const MenuItem& item : kColumns) {
        QAction* a = m_menu->addAction(QString::fromLatin1(item.text));
        a->setData(item.id);
        a->setCheckable(true);
    }
    QMenu* filters = m_menu->addMenu(QStringLiteral("Filters"));
    for (const MenuItem& item : kFilters) {
        QAction* a = filters->addAction(QString::fromLatin1(item.text));
        a->setData(item.id);
        a->setCheckable(true);
    }
    m_menu->addSeparator();
    for (const MenuItem& item : {MenuItem{35150, "Clear"}, MenuItem{35151, "Copy"}, MenuItem{35152, "Save"}})
        m_menu->addAction(QString::fromLatin1(item.text))->setData(item.id);
    connect(m_menu, &QMenu::triggered, this, [this](QAction* a) { OnCommand(a->data().toInt()); });
    connect(m_menu, &QMenu::aboutToShow, this, &CSerialDataAnalyzerWnd::UpdateMenuChecks);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_syncing)
            ShowPage(index);
    });
    connect(m_view, &CSdaView::contextMenuWanted, this, [this](const QPoint& at) { m_menu->popup(at); });
    connect(m_view, &CSdaView::tabStep, this, [this](int delta) {
        const int n = m_tabs->count();
        if (n > 0)
            m_tabs->setCurrentIndex(((m_tabs->currentIndex() + delta) % n + n) % n);
    });
    // F9 sends and Escape leaves from the display too; any other character goes to the send bar.
    connect(m_view, &CSdaView::keyForSendBar, this, [this](QKeyEvent* e) {
        const bool typed = !e->text().isEmpty() && e->text().at(0).isPrint();
        if (e->key() == Qt::Key_F9 || e->key() == Qt::Key_Escape || typed) {
            if (typed)
                m_sendBar->setFocus();
            m_sendBar->TakeKey(e);
        }
    });
    connect(send, &QPushButton::clicked, this, [this] { Send(false); });
    connect(m_sendBar, &CSendBarEdit::sendWanted, this, [this](bool terminator) { Send(terminator); });
    connect(m_sendBar, &CSendBarEdit::escapePressed, this, [this] { fw::FocusActiveDocument(this); });
    m_look = sda::LookFrom(COptions());
    m_view->SetLook(m_look);
    m_analyzer.SetView(this);
}

CSerialDataAnalyzerWnd::~CSerialDataAnalyzerWnd() { m_analyzer.SetView(nullptr); }

void CSerialDataAnalyzerWnd::showEvent(QShowEvent* event)
{
    m_visible = true;
    QWidget::showEvent(event);
}

void CSerialDataAnalyzerWnd::hideEvent(QHideEvent* event)
{
    m_visible = false;
    QWidget::hideEvent(event);
}

void CSerialDataAnalyzerWnd::ApplyOptions(const COptions& options)
{
    m_look = sda::LookFrom(options);
    m_view->SetLook(m_look);
}

void CSerialDataAnalyzerWnd::UpdatePortTabs(const CProject* project)
{
    m_project = project;
    const int ports = project ? std::min(project->PortCount(), SDA_PAGES) : 0;
    m_syncing = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    {
        auto lock = m_analyzer.Lock();
        for (int i = 0; i < SDA_PAGES; ++i) {
            if (i < ports)
                m_tabs->addTab(fw::ToQt(project->Port(i)->Name));
            m_analyzer.Page(i).port = i < ports ? project->Port(i) : nullptr;
        }
    }
    m_syncing = false;
    // Tabs filled while the bar is hidden do not tell its layout that the row has grown.
    m_tabs->updateGeometry();
    int page = m_analyzer.shownPage;
    if (page < 0 || page >= ports)
        page = ports > 0 ? 0 : -1;
    ShowPage(page);
}

void CSerialDataAnalyzerWnd::ShowPage(int page)
{
    m_analyzer.shownPage = page;
    m_syncing = true;
    m_tabs->setCurrentIndex(page);
    m_syncing = false;
    m_view->SetPage(&m_analyzer, page >= 0 ? &m_analyzer.Page(page) : nullptr);
}

void CSerialDataAnalyzerWnd::RefreshPage() { m_view->Refresh(); }

void CSerialDataAnalyzerWnd::ClearPages()
{
    {
        auto lock = m_analyzer.Lock();
        const CSdaPage fresh;
        for (int i = 0; i < SDA_PAGES; ++i) {
            CSdaPage& page = m_analyzer.Page(i);
            page.Reset();
            page.formats = fresh.formats;
            page.filter = fresh.filter;
            page.charsPerRow = page.ComputeRowWidth();
        }
    }
    m_view->SetPage(&m_analyzer, m_view->Page());
}

void CSerialDataAnalyzerWnd::PageAppended(int page, int, bool)
{
    // Called on the logging thread with the analyzer locked: the window redraws later, once.
    if (page != m_analyzer.shownPage || m_refreshQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshQueued = false;
            RefreshPage();
        },
        Qt::QueuedConnection);
}

void CSerialDataAnalyzerWnd::UpdateMenuChecks()
{
    CSdaPage* page = m_view->Page();
    for (QAction* a : m_menu->findChildren<QAction*>()) {
        const int id = a->data().toInt();
        if (!page) {
            a->setEnabled(false);
            continue;
        }
        a->setEnabled(true);
        if (id >= 35001 && id <= 35011)
            a->setChecked(page->formats[static_cast<size_t>((id - 35000) / 4)] == (id & 3));
        const uint32_t bits[] = {SDA_SENT, SDA_RECEIVED, SDA_ECHO, SDA_FROM_PROGRAM, SDA_FROM_TERMINAL, SDA_FROM_SENDBAR};
        if (id >= 35100 && id <= 35105)
            a->setChecked(page->filter & bits[id - 35100]);
    }
}

bool CSerialDataAnalyzerWnd::OnCommand(int id)
{
    CSdaPage* page = m_view->Page();
    if (!page)
        return false;
    if (id >= 35001 && id <= 35011) {
        auto lock = m_analyzer.Lock();
        sda::ApplyColumnCommand(page->formats, id);
        page->charsPerRow = page->ComputeRowWidth();
    } else if (id >= 35100 && id <= 35105) {
        auto lock = m_analyzer.Lock();
        page->filter = sda::FilterAfterCommand(page->filter, id);
        sda::RebuildRows(*page);
    } else if (id == 35150) {
        auto lock = m_analyzer.Lock();
        page->Reset();
    } else if (id == 35151) {
        Copy();
        return true;
    } else if (id == 35152) {
        const CCommPort* port = page->port;
        shell::FileChoice choice;
        choice.start = port ? fw::ToQt(port->Name) : QString();
        choice.filter = QStringLiteral("VQX Serial Data Analyzer Files (*.ssf);;All Files (*)");
        const QString file = m_app.Desktop().ChooseSaveFile(this, choice);
        if (!file.isEmpty() && !SaveAs(file))
            dialogwidgets::StopBox(m_app.Questions(), "Cannot write the file \"" + file.toStdString() + "\".");
        return true;
    } else {
        return false;
    }
    m_view->SetPage(&m_analyzer, page);
    return true;
}

void CSerialDataAnalyzerWnd::Copy()
{
    CSdaPage* page = m_view->Page();
    if (!page)
        return;
    std::string text, rtf;
    {
        auto lock = m_analyzer.Lock();
        text = sda::SelectedText(*page);
        if (!text.empty())
            rtf = platform::rtf::Write(sda::SelectedDocument(*page, m_look));
    }
    if (text.empty())
        return;
    // Rich text with the colours for the programs that take it, plain text for the others.
    auto* data = new QMimeData;
    data->setText(fw::ToQt(text));
    data->setData(QStringLiteral("text/rtf"), QByteArray::fromStdString(rtf));
    QApplication::clipboard()->setMimeData(data);
}

bool CSerialDataAnalyzerWnd::SaveAs(const QString& fileName)
{
    CSdaPage* page = m_view->Page();
    if (!page)
        return false;
    std::string rtf;
    {
        auto lock = m_analyzer.Lock();
        // An empty page makes an empty file.
        if (page->LineCount() > 0)
            rtf = platform::rtf::Write(sda::PageDocument(*page, m_look));
    }
    return platform::WriteFileAtomically(fileName.toStdString(), rtf.data(), rtf.size());
}

void CSerialDataAnalyzerWnd::Send(bool appendTerminator)
{
    CSdaPage* page = m_view->Page();
    const std::vector<uint8_t> bytes = m_sendBar->Bar().TakeForSending(appendTerminator);
    m_sendBar->Sync();
    CCommPort* port = page ? const_cast<CCommPort*>(page->port) : nullptr;
    if (!port || !port->isOpen || bytes.empty())
        return;
    m_analyzer.SetPageFlags(port->id, SDA_FROM_SENDBAR, true);
    try {
        port->Transact(-1, bytes.data(), bytes.size(), false);
    } catch (const CVQXException&) {
        // What the bar sends is the user's own experiment: an error is not reported.
    }
    m_analyzer.SetPageFlags(port->id, SDA_FROM_SENDBAR, false);
}

void CSerialDataAnalyzerWnd::SerializeSection(const std::string& group, CTagArchive& ar)
{
    int32_t inFormat = 0;
    for (int i = 0; i < 3; ++i)
        if (m_formats[i]->isChecked())
            inFormat = i;
    sda::SerializeAnalyzerState(group, ar, m_analyzer, inFormat, m_project ? m_project->PortCount() : 0);
    if (ar.IsLoading()) {
        m_formats[inFormat]->setChecked(true);
        m_sendBar->SetFormat(inFormat);
        UpdatePortTabs(m_project);
    }
}
