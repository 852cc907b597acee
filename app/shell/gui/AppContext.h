#pragma once
// What VQX's windows, dialogs and commands work with besides the project: the operation context
// (questions, please-wait, information lines, settings, traffic log), the desktop services (file,
// folder and colour choosers, opening a web page or a help file), the clock and the program's one
// compiler. The session builds one at start and hands it to everything it creates; nothing reaches
// these through a global. A test builds its own, with desktop services that answer as it scripts.

#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class CScanner;
class QPrinter;
class QUrl;
class QWidget;
namespace help {
class CHelpViewer;
}
namespace platform {
class Clock;
}
namespace ui {
class COperationContext;
class CInfoView;
class IProgress;
class IQuestions;
} // namespace ui
class COptions;

namespace shell {

// What a file chooser shows: its title, where it starts (a folder, or a proposed file for a save),
// the filter in the chooser's form ("VQX Files (*.tqs);;All Files (*)") and the suffix a save adds
// to a name typed without one.
struct FileChoice {
    QString title;
    QString start;
    QString filter;
    QString defaultSuffix;
};

class IDesktopServices {
public:
    virtual ~IDesktopServices() = default;
    // Each chooser answers empty when the user cancels.
    virtual QString ChooseOpenFile(QWidget* parent, const FileChoice& choice) = 0;
    virtual QStringList ChooseOpenFiles(QWidget* parent, const FileChoice& choice) = 0;
    virtual QString ChooseSaveFile(QWidget* parent, const FileChoice& choice) = 0;
    // The program's folder picker, starting at `start`.
    virtual QString ChooseFolder(QWidget* parent, const QString& start) = 0;
    // A colour as 0x00BBGGRR; none when cancelled.
    virtual std::optional<uint32_t> ChooseColor(QWidget* parent, uint32_t initial) = 0;
    // Opens a web page or a local file in the desktop's viewer; false when it could not.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Shows a page of the user guide (a local file) at an anchor (empty: its top); false when it
    // could not.
    virtual bool OpenHelpPage(const QString& file, const QString& anchor) = 0;
    // The print dialog on a printer (offering the selection when there is one): true to print,
    // the printer then holding the chosen range and output.
    virtual bool ChoosePrint(QWidget* parent, QPrinter& printer, bool hasSelection) = 0;
};

// The desktop's own dialogs and viewer; `questions` tells when the folder picker cannot read or
// make a folder. The guide opens in the desktop's browser, else in our help window (one, made
// when first needed).
class CQtDesktopServices final : public IDesktopServices {
public:
    explicit CQtDesktopServices(ui::IQuestions& questions);
    ~CQtDesktopServices() override;
    CQtDesktopServices(const CQtDesktopServices&) = delete;
    CQtDesktopServices& operator=(const CQtDesktopServices&) = delete;

    QString ChooseOpenFile(QWidget* parent, const FileChoice& choice) override;
    QStringList ChooseOpenFiles(QWidget* parent, const FileChoice& choice) override;
    QString ChooseSaveFile(QWidget* parent, const FileChoice& choice) override;
    QString ChooseFolder(QWidget* parent, const QString& start) override;
    std::optional<uint32_t> ChooseColor(QWidget* parent, uint32_t initial) override;
    bool OpenUrl(const QUrl& url) override;
    bool OpenHelpPage(const QString& file, const QString& anchor) override;
    // The help window, once shown (null before).
    help::CHelpViewer* HelpViewer() const;
    bool ChoosePrint(QWidget* parent, QPrinter& printer, bool hasSelection) override;

private:
    ui::IQuestions& m_questions;
    QPointer<help::CHelpViewer> m_viewer;
};

class CAppContext {
public:
    CAppContext(ui::COperationContext& operation, IDesktopServices& desktop, CScanner& scanner, platform::Clock& clock);

    ui::COperationContext& Operation() const { return m_operation; }
    ui::IQuestions& Questions() const;
    ui::IProgress& Progress() const;
    ui::CInfoView& Info() const;
    COptions& Options() const;
    IDesktopServices& Desktop() const { return m_desktop; }
    // The program's one compiler (the editor, the project build, the tools).
    CScanner& Scanner() const { return m_scanner; }
    platform::Clock& Clock() const { return m_clock; }

private:
    ui::COperationContext& m_operation;
    IDesktopServices& m_desktop;
    CScanner& m_scanner;
    platform::Clock& m_clock;
};

} // namespace shell
