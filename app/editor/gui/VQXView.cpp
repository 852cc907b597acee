#include "app/editor/gui/VQXView.h"

#include "app/framework/gui/CommandTable.h"
#include "app/editor/EditorCommands.h"
#include "app/editor/EditorDownload.h"
#include "app/framework/gui/Text8.h"
#include "app/editor/gui/DocPropertiesDlg.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/FindReplaceDlg.h"
#include "app/shell/gui/TextFind.h"
#include "app/editor/gui/SourceHighlighter.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/framework/gui/TextPrinting.h"
#include "app/project/Project.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/Help.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/port/PortEvents.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"
#include "scanner/Scanner.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cerrno>
#include <cstring>

namespace {

editor::EditorStyle StyleFromSettings(const COptions& o)
{
    editor::EditorStyle s;
    s.normal = o.NormalColor;
    s.keyword = o.KeywordColor;
    s.flow = o.FlowColor;
    s.comment = o.CommentColor;
    s.fontSize = o.EditorFontSize > 0 && o.EditorFontSize < 200 ? o.EditorFontSize : 10;
    return s;
}

QColor Color(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

} // namespace

CVQXView::CVQXView(editor::EditorEnvironment& env, QWidget* parent)
    : QPlainTextEdit(parent), m_env(env), m_doc(new CVQXDoc(this)), m_highlighter(new CSourceHighlighter(document()))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setObjectName(QStringLiteral("VQXView"));
    ApplyStyle();
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CVQXView::UpdateLineCol);
    auto frameTitle = [this] {
        // The mark of a modified document is Qt's "[*]", never part of the file name.
        setWindowTitle(m_doc->Title() + QStringLiteral("[*]"));
        setWindowModified(m_doc->IsModified());
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            frame->setWindowTitle(windowTitle());
            frame->setWindowModified(m_doc->IsModified());
        }
    };
    connect(document(), &QTextDocument::modificationChanged, this, frameTitle);
    connect(m_doc, &CVQXDoc::titleChanged, this, frameTitle);
    QTimer::singleShot(0, this, frameTitle); // once the child frame holds the view
    frameTitle();
}

CVQXView::~CVQXView()
{
    SetPane(cmd::ID_INDICATOR_VERSION, QString());
    SetPane(cmd::ID_INDICATOR_POSITION, QString());
}

void CVQXView::ApplyStyle()
{
    const editor::EditorStyle style = StyleFromSettings(m_env.Options());
    QPalette p = palette();
    p.setColor(QPalette::Base, Color(m_env.Options().BackColor));
    p.setColor(QPalette::Text, Color(style.normal));
    setPalette(p);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    // Source text needs no kerning or ligatures: laying out a long file is then several times faster.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPointSize(style.fontSize);
    setFont(font);
    const int twips = editor::TabStopTwips(m_env.Options().TabSize, m_env.Options().TabSizePoint, m_wholeTextHighlighted);
    setTabStopDistance(twips * logicalDpiX() / 1440.0);
    m_highlighter->SetStyle(style);
}

// ---- the file ------------------------------------------------------------------------------------

bool CVQXView::Serialize(bool store, const QString& path, std::string* error)
{
    const std::string file = path.toStdString();
    if (store) {
        RemoveLineMark();
        const std::string bytes = StoredForm();
        if (!platform::WriteFileAtomically(file, bytes.data(), bytes.size())) {
            if (error)
                *error = "Cannot write the file \"" + file + "\": " + std::strerror(errno) + ". The file was not changed.";
            return false;
        }
        return true;
    }
    std::string bytes;
    switch (platform::ReadRegularFile(file, bytes, CScanner::kMaxSourceFile)) {
    case platform::ReadStatus::Ok: break;
    case platform::ReadStatus::TooLarge:
        if (error)
            *error = "The file \"" + file + "\" is too large for a program source (more than " +
                     std::to_string(CScanner::kMaxSourceFile >> 20) + " MB).";
        return false;
    default:
        if (error)
            *error = "Cannot open the file \"" + file + "\".";
        return false;
    }
    const editor::SourceContent content = editor::ReadSource(bytes);
    m_properties = content.properties;
    m_doc->SetPathName(path); // the language may follow the motors the file is associated with
    LoadLanguage();
    setPlainText(fw::ToQt(content.text));
    // Only our own file comes highlighted; plain text and other RTF are highlighted whole.
    if (content.kind != editor::SourceKind::Marked)
        HighlightSyntax();
    moveCursor(QTextCursor::Start);
    return true;
}

std::string CVQXView::StoredForm() const
{
    static const CLanguage kNoLanguage;
    const CLanguage* language = m_highlighter->Language();
    return editor::WriteSource(editor::HighlightedDocument(PlainText(), language ? *language : kNoLanguage, m_highlighter->Style()),
                               m_properties);
}

std::string CVQXView::PathName() const { return m_doc->PathName().toStdString(); }
std::string CVQXView::Title() const { return m_doc->Title().toStdString(); }
bool CVQXView::IsCalibration() const { return m_doc->IsCalibration(); }

std::string CVQXView::PlainText() const
{
    QString text = document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return fw::FromQt(text);
}

bool CVQXView::EnsureSaved()
{
    if (m_doc->PathName().isEmpty())
        return m_doc->DoSave(QString());
    if (m_doc->IsModified())
        return m_doc->DoSave(m_doc->PathName());
    return true;
}

bool CVQXView::SaveModified()
{
    if (!m_doc->IsModified())
        return true;
    const std::string question = "Save changes to " + m_doc->Title().toStdString() + "?";
    switch (ui::OptionMessageBox(m_env.Context().Questions(), question, ui::MB_YESNOCANCEL | ui::MB_ICONEXCLAMATION)) {
    case ui::IDYES: return EnsureSaved();
    case ui::IDNO: return true;
    default: return false;
    }
}

// ---- language and highlighting -------------------------------------------------------------------

void CVQXView::LoadLanguage()
{
    if (editor::CSourceBuild::BuildRunning())
        return;
    std::string version = m_properties.version;
    if (version.empty()) {
        const std::vector<CMotor*> motors = editor::AssociatedMotors(m_env.project, PathName());
        if (!motors.empty())
            version = motors.front()->Version;
    }
    CScanner& scanner = m_env.Scanner();
    try {
        if (!scanner.LoadLanguageFile(version))
            return;
    } catch (const CVQXException&) {
        return; // no language file: the text is shown without highlighting
    }
    const std::string key = scanner.LanguageFilePath() + "\n" + scanner.Version();
    if (key != m_languageKey || !m_highlighter->Language()) {
        m_languageKey = key;
        m_highlighter->SetLanguage(std::make_shared<CLanguage>(scanner.Language()));
    }
    ShowVersion();
}

void CVQXView::HighlightSyntax()
{
    m_highlighter->Hold(true); // one pass below, with its progress
    m_languageKey.clear();
    LoadLanguage();
    m_wholeTextHighlighted = true;
    ApplyStyle(); // the colours of the settings, read again, and the measured tab width
    m_highlighter->Hold(false);
    ui::IProgress& progress = m_env.Context().Progress();
    const bool shown = progress.Show(std::string("Formatting text data for syntax highlighting"), std::nullopt);
    if (shown)
        progress.SetCancelVisible(false); // a half-coloured text is of no use
    progress.SetTotal(document()->blockCount());
    m_highlighter->RehighlightAll([&progress](int line) { progress.Step(line); });
    if (shown)
        progress.Close();
}

void CVQXView::ShowVersion()
{
    SetPane(cmd::ID_INDICATOR_VERSION, QStringLiteral("Version: ") + QString::fromStdString(m_env.Scanner().Version()));
}

void CVQXView::SetPane(int id, const QString& text)
{
    if (setStatusPane)
        setStatusPane(id, text);
}

QString CVQXView::LineColText() const
{
    const QTextCursor c = textCursor();
    return QStringLiteral("Ln %1, Col %2").arg(c.blockNumber() + 1).arg(c.positionInBlock() + 1);
}

bool CVQXView::IsActiveView() const
{
    if (hasFocus())
        return true;
    const auto* child = qobject_cast<const QMdiSubWindow*>(parentWidget());
    return child && child->mdiArea() && child->mdiArea()->currentSubWindow() == child;
}

// The pane follows the caret of the view the user works in, as the caret moves: a view in the
// background (a file opened or searched while another is in front) leaves it alone.
void CVQXView::UpdateLineCol()
{
    if (IsActiveView())
        SetPane(cmd::ID_INDICATOR_POSITION, LineColText());
}

// ---- editing -------------------------------------------------------------------------------------

void CVQXView::GoToLine(int line, int column)
{
    RemoveLineMark();
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid())
        return;
    QTextCursor mark(block);
    mark.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextEdit::ExtraSelection selection;
    selection.cursor = mark;
    selection.format.setFontUnderline(true);
    setExtraSelections({selection}); // a mark outside the text: the modified flag stays as it was
    m_lineMarked = true;
    QTextCursor caret(block);
    caret.setPosition(block.position() + std::clamp(column, 0, block.length() - 1));
    setTextCursor(caret);
    centerCursor();
    setFocus();
}

void CVQXView::RemoveLineMark()
{
    if (!m_lineMarked)
        return;
    m_lineMarked = false;
    setExtraSelections({});
}

void CVQXView::InsertText(const QString& text)
{
    RemoveLineMark();
    textCursor().insertText(text); // the highlighter takes every line the insertion touched
    ensureCursorVisible();
}

void CVQXView::DeleteLine()
{
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::StartOfBlock);
    if (!c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor))
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void CVQXView::keyPressEvent(QKeyEvent* event)
{
    RemoveLineMark();
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnHelp(false);
        return;
    }
    if (event->matches(QKeySequence::Paste)) { // the clipboard's plain text, through InsertText
        OnCommand(editor::ID_EDIT_PASTE);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool CVQXView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // F1 in the editor is the editor's help, before any shortcut of the frame.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::QueryWhatsThis: event->accept(); return true;
    case QEvent::WhatsThis: OnHelp(true); return true; // a click in help mode
    default: break;
    }
    return QPlainTextEdit::event(event);
}

void CVQXView::mousePressEvent(QMouseEvent* event)
{
    RemoveLineMark();
    if (event->button() == Qt::LeftButton && textCursor().hasSelection()) {
        // Selected text is not dragged: the click puts the caret where it is and goes no further.
        setTextCursor(cursorForPosition(event->position().toPoint()));
        UpdateLineCol();
        event->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
    UpdateLineCol();
}

void CVQXView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) { // a sideways turn
        QPlainTextEdit::wheelEvent(event);
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - m_wheel.Lines(delta));
    event->accept();
}

void CVQXView::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    LoadLanguage();
    UpdateLineCol();
}

QMenu* CVQXView::CreatePopup(QWidget* parent)
{
    const bool calibration = IsCalibration();
    auto* menu = new QMenu(calibration ? QStringLiteral("TQC Editor") : QStringLiteral("Editor"), parent);
    for (const editor::EditorCommand& c : editor::kEditorCommands) {
        if (c.id == 0) {
            menu->addSeparator();
            continue;
        }
        const int id = calibration ? c.calibrationId : c.id;
        const char* text = calibration && c.calibrationText ? c.calibrationText : c.text;
        QAction* a = menu->addAction(QString::fromLatin1(text).replace(QStringLiteral("&&"), QStringLiteral("&&")));
        a->setShortcut(QKeySequence(QString::fromLatin1(c.key)));
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    return menu;
}

void CVQXView::contextMenuEvent(QContextMenuEvent* event)
{
    fw::PopUpContextMenu(CreatePopup(this), event->globalPos());
}

// ---- find and replace ----------------------------------------------------------------------------

std::string CVQXView::SelectedText() const { return fw::FromQt(textCursor().selectedText()); }

bool CVQXView::Find(const std::string& what, int flags, bool fromStart)
{
    return textfind::FindInView(*this, what, flags, fromStart);
}

void CVQXView::ReplaceSelection(const std::string& with) { InsertText(fw::ToQt(with)); }

void CVQXView::SaveSelection()
{
    m_savedAnchor = textCursor().anchor();
    m_savedPosition = textCursor().position();
}

void CVQXView::RestoreSelection() { textfind::RestoreViewSelection(*this, m_savedAnchor, m_savedPosition); }

// ---- commands ------------------------------------------------------------------------------------

editor::CSourceBuild& CVQXView::Build()
{
    m_build = std::make_unique<editor::CSourceBuild>(m_env.Scanner(), m_env.Context(),
                                                     m_env.project);
    return *m_build;
}

bool CVQXView::ScanActiveView(CMotor* motor, bool useAssociatedMotor, bool showSummary)
{
    return Build().ScanActiveView(*this, motor, useAssociatedMotor, showSummary);
}

bool CVQXView::BuildActiveView(CMotor* motor, bool useAssociatedMotor, bool showSummary)
{
    return Build().BuildActiveView(*this, motor, useAssociatedMotor, showSummary);
}

namespace {

editor::DownloadSurroundings Surroundings(editor::EditorEnvironment& env, QWidget* parent)
{
    editor::DownloadSurroundings s;
    s.currentTarget = env.currentTarget;
    s.showTerminal = env.showTerminal;
    s.commError = env.commError;
    s.selectTarget = env.selectTarget;
    if (!s.selectTarget)
        s.selectTarget = [&env, parent](uint32_t& selection, bool& blind) {
            CProject* project = env.project;
            if (!project)
                return false;
            CSelectMotorDlg dlg(parent, *project, &selection, selectmotor::kGroupChoices | selectmotor::kBlindDownload,
                                selectmotor::kDefaultPrompt, &blind);
            return dlg.exec() == QDialog::Accepted;
        };
    return s;
}

} // namespace

bool CVQXView::DownloadProgram(CMotor* motor)
{
    editor::CEditorDownload download(Build(), m_env.project, Surroundings(m_env, window()));
    return download.DownloadProgram(*this, motor);
}

std::string CVQXView::KeywordInformation() const
{
    const CLanguage* language = m_highlighter->Language();
    const std::string word = SelectedText();
    if (!language || word.empty())
        return {};
    const CKeyword* k = language->Find(word);
    if (!k) {
        // A keyword that takes a number joined to its name ("GOTO10").
        const std::string stem = word.substr(0, word.find_first_of("0123456789"));
        k = language->Find(stem);
        if (k && k->Type != CKeyword::Joined && k->Type != CKeyword::JoinedAndOperands)
            k = nullptr;
    }
    if (!k || k->Comments.empty())
        return {};
    return "\"" + k->Name + "\":\n" + k->Comments;
}

namespace {

fw::PrintSource PrintSourceOf(const QPlainTextEdit& view, const QTextCursor& selection, const COptions& options)
{
    fw::PrintSource source;
    source.document = view.document();
    source.selection = &selection;
    source.marginsPt = QMarginsF(editor::kPrintMarginPt, editor::kPrintMarginPt, editor::kPrintMarginPt,
                                 editor::kPrintMarginPt);
    source.tabStopChars = std::clamp(options.TabSize, 1, 32);
    return source;
}

} // namespace

void CVQXView::Print(bool direct)
{
    const QTextCursor selection = textCursor();
    std::string error;
    const fw::PrintChooser choose = [this](QPrinter& printer, bool hasSelection) {
        return m_env.app->Desktop().ChoosePrint(window(), printer, hasSelection);
    };
    if (!fw::Print(PrintSourceOf(*this, selection, m_env.Options()), choose, direct, &error))
        ui::OptionMessageBox(m_env.Context().Questions(), error, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
}

void CVQXView::PrintPreview()
{
    const QTextCursor selection = textCursor();
    fw::PrintPreview(PrintSourceOf(*this, selection, m_env.Options()), window());
}

void CVQXView::OnHelp(bool hitTest)
{
    const std::string word = hitTest ? std::string() : SelectedText();
    if (!word.empty())
        help::HtmlHelpCommand(*m_env.app, "Index", word);
    else
        help::ShowHelpTopic(*m_env.app, editor::kEditorHelpTopic);
}

void CVQXView::EditProperties()
{
    QPointer<CVQXView> self(this);
    CDocPropertiesDlg dlg(window(), m_properties);
    if (dlg.exec() != QDialog::Accepted || !self)
        return;
    m_properties = dlg.Properties();
    m_doc->SetModifiedFlag(true);
    LoadLanguage();
}

void CVQXView::AssociateToMotor()
{
    CProject* project = m_env.project;
    if (!project || PathName().empty())
        return;
    uint32_t selection = m_env.currentTarget ? m_env.currentTarget() : 0;
    QPointer<CVQXView> self(this);
    CSelectMotorDlg dlg(window(), *project, &selection, 0);
    if (dlg.exec() != QDialog::Accepted || !self)
        return;
    CCommPort* port = project->Port(selectmotor::PortOf(selection));
    CMotor* motor = port ? port->GetMotor(selectmotor::AddressOf(selection)) : nullptr;
    if (!motor)
        return;
    auto stop = [this](const std::string& text) {
        ui::OptionMessageBox(m_env.Context().Questions(), text, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
    };
    if (motor->AddAssociatedFile(PathName(), stop)) {
        project->modified = true;
        if (IPortEvents* events = m_env.Context().PortEvents())
            events->RebuildConfigTree();
    }
}

bool CVQXView::OnCommand(int id)
{
    ui::CInfoView& info = m_env.Context().Info();
    ui::IQuestions& questions = m_env.Context().Questions();
    switch (id) {
    case editor::ID_SCAN_FOR_ERRORS:
        info.Show(true);
        if (ScanActiveView(nullptr, true, true))
            info.ShowSummary(true, true, questions);
        return true;
    case editor::ID_COMPILE_TQX:
    case editor::ID_COMPILE_SCX:
        info.Show(true);
        if (BuildActiveView(nullptr, true, false))
            info.ShowSummary(true, true, questions);
        return true;
    case editor::ID_COMPILE_TRANSMIT_TQX:
    case editor::ID_COMPILE_TRANSMIT_SCX: {
        editor::CEditorDownload download(Build(), m_env.project, Surroundings(m_env, window()));
        download.CompileAndTransmit(*this);
        return true;
    }
    case editor::ID_COMPILE_TRANSMIT_TQX_TO:
    case editor::ID_COMPILE_TRANSMIT_SCX_TO:
        info.Show(true);
        if (!EnsureSaved()) {
            info.AddError(editor::kMustSaveText);
            info.ShowSummary(false, true, questions);
        } else if (DownloadProgram(nullptr)) {
            info.ShowSummary(false, true, questions);
        }
        return true;
    case editor::ID_FORMAT_KEYWORDS: HighlightSyntax(); return true;
    case editor::ID_DOC_PROPERTIES: EditProperties(); return true;
    case editor::ID_KEYWORD_INFO: {
        const std::string text = KeywordInformation();
        if (!text.empty())
            ui::OptionMessageBox(questions, text, ui::MB_OK | ui::MB_ICONASTERISK, {}, {}, {});
        return true;
    }
    case editor::ID_ASSOCIATE_MOTOR: AssociateToMotor(); return true;
    case editor::ID_DELETE_LINE: DeleteLine(); return true;
    case editor::ID_EDIT_COPY: copy(); return true;
    case editor::ID_EDIT_CUT: RemoveLineMark(); cut(); return true;
    case editor::ID_EDIT_PASTE: {
        RemoveLineMark();
        const QString text = QApplication::clipboard()->text();
        if (!text.isEmpty())
            InsertText(text);
        return true;
    }
    case editor::ID_EDIT_FIND:
    case editor::ID_EDIT_REPLACE: {
        RemoveLineMark();
        QPointer<CVQXView> self(this);
        CFindReplaceDlg::Open(window(), questions, id == editor::ID_EDIT_REPLACE,
                              [self]() -> textfind::IFindTarget* { return self.data(); });
        return true;
    }
    case editor::ID_EDIT_REPEAT: {
        RemoveLineMark();
        const std::string message = textfind::CFindState::Instance().Repeat(*this);
        if (!message.empty())
            ui::OptionMessageBox(questions, message, ui::MB_OK | ui::MB_ICONEXCLAMATION, {}, {}, {});
        return true;
    }
    case editor::ID_FILE_PRINT: Print(false); return true;
    case editor::ID_FILE_PRINT_DIRECT: Print(true); return true;
    case editor::ID_FILE_PRINT_PREVIEW: PrintPreview(); return true;
    case editor::ID_FILE_SAVE: m_doc->DoSave(m_doc->PathName()); return true;
    case editor::ID_FILE_SAVE_AS: m_doc->DoSave(QString()); return true;
    default: return false;
    }
}
