#include "app/shell/gui/DialogHelpKey.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

namespace shell {

namespace {

QAbstractButton* HelpButton(QDialog* dialog)
{
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
        if (b->window() != dialog || !b->isVisible() || !b->isEnabled())
            continue;
        if (b->objectName() == QLatin1String("57670") || b->text().remove(QLatin1Char('&')) == QLatin1String("Help"))
            return b;
    }
    return nullptr;
}

class DialogHelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !watched->isWidgetType())
            return false;
        auto* dialog = qobject_cast<QDialog*>(static_cast<QWidget*>(watched)->window());
        if (!dialog || dialog != QApplication::activeModalWidget())
            return false;
        QAbstractButton* help = HelpButton(dialog);
        if (!help)
            return false;
        help->click();
        return true;
    }
};

} // namespace

void InstallDialogHelpKey(QObject* owner)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(new DialogHelpKey(owner));
}

} // namespace shell
