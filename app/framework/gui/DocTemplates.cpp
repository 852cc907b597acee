#include "app/framework/gui/DocTemplates.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiArea>

namespace fw {

void DocTemplates::Add(int resourceId, const std::string& documentString)
{
    auto t = std::make_unique<CDocTemplate>();
    t->resourceId = resourceId;
    t->strings = ParseDocTemplateString(documentString);
    m_templates.push_back(std::move(t));
}

CDocTemplate* DocTemplates::Find(int resourceId)
{
    for (auto& t : m_templates)
        if (t->resourceId == resourceId)
            return t.get();
    return nullptr;
}

CDocTemplate* DocTemplates::ForFile(const QString& path)
{
    for (auto& t : m_templates)
        if (MatchesExtension(t->strings, path.toStdString()))
            return t.get();
    return nullptr;
}

QString DocTemplates::OpenFilter() const
{
    QStringList filters;
    for (const auto& t : m_templates)
        if (!t->strings.filterName.empty())
            filters << QString::fromStdString(DialogFilter(t->strings));
    filters << QStringLiteral("All Files (*)");
    return filters.join(QStringLiteral(";;"));
}

CChildFrame* DocTemplates::FindOpen(QMdiArea* area, const QString& path)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (QMdiSubWindow* w : area->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(w))
            if (!child->PathName().isEmpty() && QFileInfo(child->PathName()).absoluteFilePath() == wanted)
                return child;
    return nullptr;
}

namespace {

// A view in a new child frame of the area (null view: none).
CChildFrame* ShowView(QMdiArea* area, QWidget* view)
{
    if (!view)
        return nullptr;
    auto* child = new CChildFrame;
    child->setWidget(view);
    child->setAttribute(Qt::WA_DeleteOnClose);
    area->addSubWindow(child);
    child->show();
    return child;
}

} // namespace

CChildFrame* DocTemplates::OpenDocument(QMdiArea* area, const QString& path, std::string* error)
{
    if (CChildFrame* open = FindOpen(area, path)) {
        area->setActiveSubWindow(open);
        return open;
    }
    CDocTemplate* t = ForFile(path);
    if (!t) {
        if (error)
            *error = "VQX does not open files of this kind: " + path.toStdString();
        return nullptr;
    }
    if (!t->makeView) {
        if (error)
            *error = t->strings.regFileTypeName + " documents cannot be opened by this version of VQX.";
        return nullptr;
    }
    CChildFrame* child = ShowView(area, t->makeView(path, error));
    if (child) {
        child->SetPathName(path);
        child->setWindowTitle(QFileInfo(path).fileName());
    }
    return child;
}

CChildFrame* DocTemplates::NewDocument(QMdiArea* area, int resourceId, std::string* error)
{
    CDocTemplate* t = Find(resourceId);
    if (!t || !t->makeView) {
        if (error)
            *error = "New documents cannot be made by this version of VQX.";
        return nullptr;
    }
    CChildFrame* child = ShowView(area, t->makeView(QString(), error));
    if (child)
        area->setActiveSubWindow(child);
    return child;
}

void CChildFrame::CloseWithoutAsking()
{
    m_noQuestion = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!m_noQuestion)
        if (auto* view = dynamic_cast<IDocumentView*>(widget()); view && !view->SaveModified()) {
            event->ignore();
            return;
        }
    QMdiSubWindow::closeEvent(event);
}

bool SaveAllModified(QMdiArea* area)
{
    for (QMdiSubWindow* w : area->subWindowList())
        if (auto* view = dynamic_cast<IDocumentView*>(w->widget()); view && !view->SaveModified())
            return false;
    return true;
}

void CloseAllDocuments(QMdiArea* area)
{
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(w))
            child->CloseWithoutAsking();
        else
            w->close();
    }
}

} // namespace fw
