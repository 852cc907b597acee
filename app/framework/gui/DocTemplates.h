#pragma once
// Document templates: the kinds of document the program opens in MDI child frames, each with its
// document string (kept verbatim) and a factory for its view. A template without a view yet
// cannot open a document and says so.

#include "app/framework/DocTemplateString.h"

#include <QMdiSubWindow>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMdiArea;

namespace fw {

// A view whose document can hold unsaved changes.
class IDocumentView {
public:
    virtual ~IDocumentView() = default;
    // Offers to save the changes (Yes saves, No drops them): false when the user cancels or the
    // save fails, and the document must stay open.
    virtual bool SaveModified() = 0;
};

// The MDI child frame of every template. Closing it asks its view to save its changes first.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr) : QMdiSubWindow(parent) {}
    QString PathName() const { return m_path; }
    void SetPathName(const QString& path) { m_path = path; }
    // Closes without asking (the changes were offered already, or are dropped on purpose).
    void CloseWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_path;
    bool m_noQuestion = false;
};

// Offers every document of the area with changes to be saved, in window order; false as soon as
// one stays (Cancel or a failed save).
bool SaveAllModified(QMdiArea* area);
// Closes every document of the area without asking.
void CloseAllDocuments(QMdiArea* area);

struct CDocTemplate {
    int resourceId = 0;
    DocTemplateString strings;
    // Makes the view of a file (empty path: a new untitled document); null with *error set when
    // the file cannot be opened.
    std::function<QWidget*(const QString& path, std::string* error)> makeView;
};

class DocTemplates {
public:
    void Add(int resourceId, const std::string& documentString);
    CDocTemplate* Find(int resourceId);
    // The template whose extension the file has; null when none.
    CDocTemplate* ForFile(const QString& path);
    const std::vector<std::unique_ptr<CDocTemplate>>& All() const { return m_templates; }
    // The file dialog filter of every template, then "All Files (*)".
    QString OpenFilter() const;

    // Opens a file in a child frame of the MDI area (an open one is activated instead). Null with
    // *error set when no template takes the file or its view cannot be made.
    CChildFrame* OpenDocument(QMdiArea* area, const QString& path, std::string* error);
    // Opens a new untitled document of a template in a child frame; null with *error set when the
    // template has no view.
    CChildFrame* NewDocument(QMdiArea* area, int resourceId, std::string* error);
    // The open child frame of a path (compared as the same file), or null.
    static CChildFrame* FindOpen(QMdiArea* area, const QString& path);

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
};

} // namespace fw
