#pragma once
// The editor of a program source: a plain-text editor in a fixed-pitch font, highlighted line by
// line as it changes by the compiler's own tokenizer, with the line mark of a compiler message,
// the status panes, find and replace, the document's properties, and the commands that scan,
// compile and transmit the program. Its document (CVQXDoc) owns the file; the view reads and
// writes it (Serialize).

#include "app/framework/gui/DocTemplates.h"
#include "app/shell/FindReplace.h"
#include "app/editor/SourceBuild.h"
#include "app/editor/SourceFile.h"
#include "app/editor/WheelSteps.h"

#include <QPlainTextEdit>

#include <functional>

#include <memory>
#include <string>

class CLanguage;
class CMotor;
class CSourceHighlighter;
class CVQXDoc;

namespace editor {
class CEditorDownload;
}

namespace editor {
struct EditorEnvironment;
}

class CVQXView : public QPlainTextEdit,
                 public editor::ISourceDocument,
                 public textfind::IFindTarget,
                 public fw::IDocumentView {
    Q_OBJECT
public:
    explicit CVQXView(editor::EditorEnvironment& env, QWidget* parent = nullptr);
    ~CVQXView() override;

    CVQXDoc* GetDocument() const { return m_doc; }
    editor::EditorEnvironment& Environment() const { return m_env; }
    // Shows a text in a status pane of the main window (none: the view has no status bar).
    std::function<void(int paneId, const QString& text)> setStatusPane;
    editor::SourceProperties& Properties() { return m_properties; }
    CSourceHighlighter* Highlighter() const { return m_highlighter; }

    // Reads (store false) or writes (store true) the file. False with *error set; a failed write
    // leaves the file as it was.
    bool Serialize(bool store, const QString& path, std::string* error);
    // The stored form of the current text and properties.
    std::string StoredForm() const;

    // Loads the language of this source (its own version, else the first associated motor's,
    // else the default) unless a build runs, and shows it.
    void LoadLanguage();
    // Highlights the whole text anew with the settings' colours and the source's language.
    void HighlightSyntax();
    // Puts the caret on a 0-based line and column and marks the line until the next key or click.
    void GoToLine(int line, int column);
    bool LineMarked() const { return m_lineMarked; }
    // Replaces the selection; the lines it touched are highlighted again.
    void InsertText(const QString& text);
    void UpdateLineCol();
    void ShowVersion();
    QString LineColText() const;

    bool ScanActiveView(CMotor* motor, bool useAssociatedMotor, bool showSummary);
    bool BuildActiveView(CMotor* motor, bool useAssociatedMotor, bool showSummary);
    bool DownloadProgram(CMotor* motor);
    // The view's commands; false for an id that is not one of them.
    bool OnCommand(int id);
    // The popup ("Editor", or "TQC Editor" for a calibration source) with the view's commands.
    QMenu* CreatePopup(QWidget* parent);

    // ISourceDocument
    std::string PathName() const override;
    std::string Title() const override;
    std::string LanguageVersion() const override { return m_properties.version; }
    bool IsCalibration() const override;
    std::string PlainText() const override;
    bool EnsureSaved() override;
    // "Save changes to <file>?" when the text changed: Yes saves (false when that fails), Cancel
    // keeps the window open.
    bool SaveModified() override;

    // IFindTarget
    std::string SelectedText() const override;
    bool Find(const std::string& what, int flags, bool fromStart) override;
    void ReplaceSelection(const std::string& with) override;
    void SaveSelection() override;
    void RestoreSelection() override;

    // Prints the text (direct: at once, the whole text; else after the print dialog) or shows
    // its preview.
    void Print(bool direct);
    void PrintPreview();

    // Keyword information (the selected word's help text), empty when none.
    std::string KeywordInformation() const;
    // Help: the help index at the selected word; without a selection (and for a click in help
    // mode) the editor's topic.
    void OnHelp(bool hitTest);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetPane(int id, const QString& text);
    // Whether the user works in this view: it has the focus or is its frame's active child.
    bool IsActiveView() const;
    void RemoveLineMark();
    void ApplyStyle();
    bool m_wholeTextHighlighted = false; // tab stops: the measured width from then on
    void DeleteLine();
    void EditProperties();
    void AssociateToMotor();
    editor::CSourceBuild& Build();

    editor::EditorEnvironment& m_env;
    CVQXDoc* m_doc;
    CSourceHighlighter* m_highlighter;
    editor::SourceProperties m_properties;
    std::unique_ptr<editor::CSourceBuild> m_build;
    std::string m_languageKey; // path and version of the language in use
    bool m_lineMarked = false;
    editor::CWheelSteps m_wheel;
    int m_savedAnchor = 0;
    int m_savedPosition = 0;
};
