// VQX: the Qt 6 program for chains and buses of Tessaraxon and Quintaloc motors.

#include "app/frame/gui/VQXApp.h"
#include "app/res/gui/Icons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VQX"));
    QApplication::setOrganizationName(QStringLiteral("Korvessan"));
    // Every window of the program, the editors' included, shows the program's icon.
    QApplication::setWindowIcon(res::AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("vqx"));
    CVQXApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments))
        return app.ExitInstance(0);
    return app.ExitInstance(QApplication::exec());
}
