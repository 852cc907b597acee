#pragma once
// What every GUI test sets up: a private registry (nothing touches the user's settings), and a
// snapshot of each window or dialog it opens into $VQX_SNAPSHOT_DIR when that is set.

#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

class GuiTest : public ::testing::Test {
protected:
    GuiTest() : registry(dir / "user.reg", dir / "machine.reg"), useRegistry(registry) {}

    // Writes a PNG of the widget when VQX_SNAPSHOT_DIR is set (the name says what it shows).
    static void Snapshot(QWidget* widget, const QString& name)
    {
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
        *poll = [act, state, poll] {
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
};
