#pragma once
// The start of a sample program: the application, an engine host created through the registry
// (a message box and exit code 1 when the engine library is not installed), then the form.

#include "samples/common/EngineLink.h"
#include "samples/common/gui/ProgramIcon.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <memory>

namespace vqxclient {

template <class Form>
int RunSampleProgram(int argc, char** argv, const char* title, const char* program)
{
    QApplication app(argc, argv);
    UseProgramIcon(program);
    std::unique_ptr<EngineLink> engine;
    try {
        engine = CreateEngineHost();
    } catch (const HostCreationError& e) {
        QMessageBox::critical(nullptr, title, e.what());
        return 1;
    }
    Form form(std::move(engine));
    form.show();
    return app.exec();
}

} // namespace vqxclient
