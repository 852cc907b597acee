#include "app/shell/gui/AppContext.h"

#include "app/shell/gui/HelpViewer.h"
#include "app/shell/gui/SelectFolderDlg.h"
#include "core/ui/OperationContext.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPrintDialog>
#include <QStandardPaths>
#include <QUrl>

namespace shell {

namespace {

QFileDialog* MakeDialog(QWidget* parent, const FileChoice& choice, QFileDialog::AcceptMode mode)
{
    auto* dialog = new QFileDialog(parent, choice.title, choice.start, choice.filter);
    dialog->setAcceptMode(mode);
    if (!choice.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(choice.defaultSuffix);
    return dialog;
}

QStringList Run(QWidget* parent, const FileChoice& choice, QFileDialog::AcceptMode mode, QFileDialog::FileMode files)
{
    std::unique_ptr<QFileDialog> dialog(MakeDialog(parent, choice, mode));
    dialog->setFileMode(files);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
}

} // namespace

QString CQtDesktopServices::ChooseOpenFile(QWidget* parent, const FileChoice& choice)
{
    const QStringList files = Run(parent, choice, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    return files.isEmpty() ? QString() : files.front();
}

QStringList CQtDesktopServices::ChooseOpenFiles(QWidget* parent, const FileChoice& choice)
{
    return Run(parent, choice, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
}

QString CQtDesktopServices::ChooseSaveFile(QWidget* parent, const FileChoice& choice)
{
    const QStringList files = Run(parent, choice, QFileDialog::AcceptSave, QFileDialog::AnyFile);
    return files.isEmpty() ? QString() : files.front();
}

QString CQtDesktopServices::ChooseFolder(QWidget* parent, const QString& start)
{
    CSelectFolderDlg dlg(parent, m_questions, start);
    return dlg.exec() == QDialog::Accepted ? dlg.Path() : QString();
}

std::optional<uint32_t> CQtDesktopServices::ChooseColor(QWidget* parent, uint32_t initial)
{
    const QColor c = QColorDialog::getColor(QColor(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF), parent);
    if (!c.isValid())
        return std::nullopt;
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 | static_cast<uint32_t>(c.blue()) << 16;
}

CQtDesktopServices::CQtDesktopServices(ui::IQuestions& questions) : m_questions(questions) {}

CQtDesktopServices::~CQtDesktopServices() { delete m_viewer.data(); }

bool CQtDesktopServices::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool CQtDesktopServices::OpenHelpPage(const QString& file, const QString& anchor)
{
    QUrl url = QUrl::fromLocalFile(file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    // The desktop's browser where the desktop has a way to start one; else our own window.
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty() && QDesktopServices::openUrl(url))
        return true;
    if (!m_viewer)
        m_viewer = new help::CHelpViewer(QApplication::activeWindow());
    m_viewer->ShowPage(file, anchor);
    return true;
}

help::CHelpViewer* CQtDesktopServices::HelpViewer() const { return m_viewer.data(); }

bool CQtDesktopServices::ChoosePrint(QWidget* parent, QPrinter& printer, bool hasSelection)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    return dialog.exec() == QDialog::Accepted;
}

CAppContext::CAppContext(ui::COperationContext& operation, IDesktopServices& desktop, CScanner& scanner,
                         platform::Clock& clock)
    : m_operation(operation), m_desktop(desktop), m_scanner(scanner), m_clock(clock)
{
}

ui::IQuestions& CAppContext::Questions() const { return m_operation.Questions(); }
ui::IProgress& CAppContext::Progress() const { return m_operation.Progress(); }
ui::CInfoView& CAppContext::Info() const { return m_operation.Info(); }
COptions& CAppContext::Options() const { return m_operation.Options(); }

} // namespace shell
