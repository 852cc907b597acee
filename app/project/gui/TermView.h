#pragma once
// The view of a terminal file (".trm") or an analyzer file (".ssf"): the file's rich text, shown
// and edited like any rich text on the terminal's background (the analyzer's for ".ssf"), with the
// caret's "Ln %d, Col %d" for the status bar, and the editor's Find, Replace and Find Next. Saving
// writes RTF again, replacing the file atomically.

#include "app/shell/FindReplace.h"
#include "platform/rtf/Rtf.h"

#include <QTextEdit>

#include <functional>
#include <string>

class COptions;
namespace ui {
class COperationContext;
}

class CTermView : public QTextEdit, public textfind::IFindTarget {
    Q_OBJECT
public:
    // `context`: the settings the file is shown with and the questions Find answers through.
    explicit CTermView(ui::COperationContext& context, QWidget* parent = nullptr);

    // Reads a file; false with *error set when it cannot be read. The background follows the
    // file's extension.
    bool Open(const QString& path, const COptions& options, std::string* error);
    bool Save(const QString& path, std::string* error);
    QString PathName() const { return m_path; }

    // The caret's position as the status bar shows it.
    QString PositionText() const;
    // Told the position text whenever the caret moves.
    std::function<void(const QString&)> positionChanged;

    // Find (Ctrl+F), Replace (Ctrl+H) and Find Next (F3) of the main frame while this view is
    // active; false for other commands.
    bool OnCommand(int id);

    // textfind::IFindTarget
    std::string SelectedText() const override;
    bool Find(const std::string& what, int flags, bool fromStart) override;
    void ReplaceSelection(const std::string& with) override;
    void SaveSelection() override;
    void RestoreSelection() override;

private:
    ui::COperationContext& m_context;
    QString m_path;
    int m_savedAnchor = 0;
    int m_savedPosition = 0;
};

// The rich text of an RTF document in a Qt document, and back.
void FillTextDocument(QTextEdit* edit, const platform::rtf::Document& document);
platform::rtf::Document DocumentOfText(const QTextEdit* edit);

// The view maker of the ".trm" and ".ssf" document templates.
QWidget* MakeTermView(ui::COperationContext& context, const QString& path, std::string* error);
