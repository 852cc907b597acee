#include "app/editor/gui/VQXDoc.h"

#include "app/bridge/Seams.h"
#include "app/editor/gui/VQXView.h"
#include "core/ui/Questions.h"

#include <QFileDialog>
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
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
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
        bridge::Info().Show(false);
        bridge::Info().AddError(error);
        ui::OptionMessageBox(bridge::Questions(), error, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

std::function<QString(const QString&)>& CVQXDoc::SaveAsDialog()
{
    static std::function<QString(const QString&)> dialog;
    return dialog;
}

bool CVQXDoc::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested = m_path.isEmpty() ? Title() : m_path;
        if (SaveAsDialog()) {
            target = SaveAsDialog()(suggested);
        } else {
            QFileDialog dialog(m_view->window(), QString(), suggested,
                               QStringLiteral("VQX Source Files (*.tqs);;Quintaloc Calibration Files (*.tqc);;All Files (*)"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(QStringLiteral("tqs"));
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                target = dialog.selectedFiles().front();
        }
        if (target.isEmpty())
            return false;
    }
    return OnSaveDocument(target);
}
