#pragma once
// The polling controls every polling page of the motor view has: Poll (checked while polling),
// Stop, Refresh and the link indicator, with their ids and tooltips, what they do, and how they
// show the page's state.

#include <QString>

#include <functional>
#include <string>

class QPushButton;
class QWidget;

namespace tools::gui {

class CIconButton;

struct PagePollButtons {
    QPushButton* poll = nullptr;
    QPushButton* stop = nullptr;
    QPushButton* refresh = nullptr;
    CIconButton* indicator = nullptr;

    // What the buttons do on a page: start (the error text of a port that would not open, or ""),
    // stop, refresh (the same error text); `message` shows an error, `refreshScope` runs the
    // refresh with polling paused program-wide, `shown` brings the page up to date afterwards.
    struct Actions {
        std::function<std::string()> start;
        std::function<void()> stop;
        std::function<std::string()> refresh;
        std::function<void(const std::string&)> message;
        std::function<void(const std::function<void()>&)> refreshScope;
        std::function<void()> shown;
    };

    // Poll 1168, Stop 1169, Refresh 1351 and the indicator 1355 on `parent`; wired to `actions`
    // when they are given.
    static PagePollButtons Make(QWidget* parent, Actions actions = {});
    // Poll checked and disabled while polling, Stop enabled only then, Refresh only when not.
    void Show(bool polling, int link) const;
};

} // namespace tools::gui
