#pragma once
// What every GUI test sets up: a private registry (nothing touches the user's settings), and a
// layout check and snapshot of each window or dialog it opens (into $VQX_SNAPSHOT_DIR when set).

#include "LayoutCheck.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>

class GuiTest : public ::testing::Test {
protected:
    GuiTest() : registry(dir / "user.reg", dir / "machine.reg"), useRegistry(registry) {}
    // A watcher left by this test never acts in the next one; the current folder a project
    // opened by the test made its own is given back.
    ~GuiTest() override
    {
        ++Generation();
        std::error_code ec;
        std::filesystem::current_path(m_startFolder, ec);
    }
    static int& Generation()
    {
        static int generation = 0;
        return generation;
    }

    // Checks the layout of the widget (every text whole, no controls on top of each other) and
    // writes a PNG of it when VQX_SNAPSHOT_DIR is set (the name says what it shows).
    static void Snapshot(QWidget* widget, const QString& name)
    {
        for (const std::string& problem : layoutcheck::LayoutProblems(widget))
            ADD_FAILURE() << name.toStdString() << ": " << problem;
        const QString folder = qEnvironmentVariable("VQX_SNAPSHOT_DIR");
        if (folder.isEmpty() || !widget)
            return;
        QDir().mkpath(folder);
        widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    // Runs `act` once the next modal dialog is open: it gets the dialog; the test goes on when the
    // dialog is closed. Polls the event loop, so a dialog opened by a nested loop is found too.
    static void WhenModal(std::function<void(QWidget*)> act, int attempts = 2000)
    {
        auto* state = new int(attempts);
        std::function<void()>* poll = new std::function<void()>;
        const int generation = Generation();
        *poll = [act, state, poll, generation] {
            if (generation != Generation()) {
                delete state;
                delete poll;
                return;
            }
            if (QWidget* w = QApplication::activeModalWidget()) {
                act(w);
                delete state;
                delete poll;
                return;
            }
            if (--*state <= 0) {
                ADD_FAILURE() << "no modal dialog appeared";
                delete state;
                delete poll;
                return;
            }
            QTimer::singleShot(5, *poll);
        };
        QTimer::singleShot(0, *poll);
    }

    TempFolder dir;
    platform::Registry registry;
    platform::ScopedDefaultRegistry useRegistry;

private:
    std::filesystem::path m_startFolder = [] {
        std::error_code ec;
        return std::filesystem::current_path(ec);
    }();
};
