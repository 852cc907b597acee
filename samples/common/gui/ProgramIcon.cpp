#include "samples/common/gui/ProgramIcon.h"

#include <QApplication>
#include <QString>

// The pictures live in a static library: their registration is pulled in by name.
static void InitClientIcons() { Q_INIT_RESOURCE(clienticons); }

namespace vqxclient {

QIcon ProgramIcon(const char* program)
{
    InitClientIcons();
    return QIcon(QStringLiteral(":/client/icons/") + QString::fromLatin1(program) + QStringLiteral(".svg"));
}

QIcon ButtonPicture(const char* name)
{
    InitClientIcons();
    return QIcon(QStringLiteral(":/client/icons/buttons/") + QString::fromLatin1(name) + QStringLiteral(".svg"));
}

void UseProgramIcon(const char* program)
{
    QApplication::setWindowIcon(ProgramIcon(program));
    QGuiApplication::setDesktopFileName(QStringLiteral("vqx-") + QString::fromLatin1(program));
}

} // namespace vqxclient
