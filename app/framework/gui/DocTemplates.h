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

// The MDI child frame of every template.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr) : QMdiSubWindow(parent) {}
    QString PathName() const { return m_path; }
    void SetPathName(const QString& path) { m_path = path; }

private:
    QString m_path;
};

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
    // The open child frame of a path (compared as the same file), or null.
    static CChildFrame* FindOpen(QMdiArea* area, const QString& path);

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
};

} // namespace fw
