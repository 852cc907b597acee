// Synmove: streams a coordinated-motion file into up to six motors through the engine library.
#include "synmove/gui/SynmoveApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Synmove");
    synmove::CSynmoveApp theApp;
    return theApp.InitInstance();
}
