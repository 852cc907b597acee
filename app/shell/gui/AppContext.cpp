#include "app/shell/gui/AppContext.h"

#include "app/framework/gui/ModalDialog.h"
#include "app/shell/gui/HelpViewer.h"
#include "app/shell/gui/SelectFolderDlg.h"
#include "core/ui/OperationContext.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QStandardPaths>
#include <QUrl>

namespace shell {

namespace {

// Runs a chooser made over a window and reads what was chosen. The chooser goes with that window
// when the window is destroyed while the chooser waits (a project change closed it): then nothing
// was chosen.
template <class Dialog, class Read>
auto RunChooser(fw::ModalDialog<Dialog>& dialog, Read read) -> decltype(read(*dialog.get()))
{
    using Chosen = decltype(read(*dialog.get()));
    if (dialog.exec() != QDialog::Accepted || !dialog)
        return Chosen{};
    return read(*dialog.get());
}

QStringList Run(QWidget* parent, const FileChoice& choice, QFileDialog::AcceptMode mode, QFileDialog::FileMode files)
{
    fw::ModalDialog<QFileDialog> dialog(parent, choice.title, choice.start, choice.filter);
    dialog->setAcceptMode(mode);
    if (!choice.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(choice.defaultSuffix);
    dialog->setFileMode(files);
    return RunChooser(dialog, [](QFileDialog& d) { return d.selectedFiles(); });
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
    fw::ModalDialog<CSelectFolderDlg> dialog(parent, m_questions, start);
    return RunChooser(dialog, [](CSelectFolderDlg& d) { return d.Path(); });
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
    fw::ModalDialog<QPrintDialog> dialog(&printer, parent);
    dialog->setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, true);
    return RunChooser(dialog, [](QPrintDialog&) { return true; });
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
