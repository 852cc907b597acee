#include "app/editor/gui/VQXDoc.h"

#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/VQXView.h"
#include "app/shell/gui/AppContext.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"

#include <QFileInfo>

CVQXDoc::CVQXDoc(CVQXView* view) : QObject(view), m_view(view) {}

void CVQXDoc::SetPathName(const QString& path)
{
    m_path = path;
    m_calibration = path.endsWith(QStringLiteral(".tqc"), Qt::CaseInsensitive);
    Q_EMIT titleChanged();
}

QString CVQXDoc::Title() const
{
    if (!m_path.isEmpty())
        return QFileInfo(m_path).fileName();
    return m_untitled.isEmpty() ? QStringLiteral("Untitled") : m_untitled;
}

void CVQXDoc::SetUntitled(const QString& title, bool calibration)
{
    m_path.clear();
    m_untitled = title;
    m_calibration = calibration;
    Q_EMIT titleChanged();
}

bool CVQXDoc::IsModified() const { return m_view->document()->isModified(); }
void CVQXDoc::SetModifiedFlag(bool modified) { m_view->document()->setModified(modified); }

bool CVQXDoc::OnOpenDocument(const QString& path, std::string* error)
{
    if (!m_view->Serialize(false, path, error))
        return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CVQXDoc::OnSaveDocument(const QString& path)
{
    std::string error;
    if (!m_view->Serialize(true, path, &error)) {
        ui::COperationContext& context = m_view->Environment().Context();
        context.Info().Show(false);
        context.Info().AddError(error);
        ui::OptionMessageBox(context.Questions(), error, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CVQXDoc::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested = m_path.isEmpty() ? Title() : m_path;
        shell::FileChoice choice;
        choice.start = suggested;
        choice.filter = QStringLiteral("VQX Source Files (*.tqs);;Quintaloc Calibration Files (*.tqc);;All Files (*)");
        choice.defaultSuffix = QStringLiteral("tqs");
        target = m_view->Environment().app->Desktop().ChooseSaveFile(m_view->window(), choice);
        if (target.isEmpty())
            return false;
    }
    return OnSaveDocument(target);
}
