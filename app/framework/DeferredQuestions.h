#pragma once
// Questions a window raises on its own, from a session notice or a timer (the tuner's Select Motor
// after its motor went, the chart's polling error), wait here until the user is free to answer
// them: no modal box is open, no long operation runs (fw::LongOperation) and no command of the
// frame is under way (a project change and the questions it asks itself). Then they are asked one
// at a time, in the order they came; a question whose window is gone meanwhile is dropped.
// User-interface thread only; the widgets' side (gui/AskWhenFree) says what a modal box is and
// asks the waiting questions from a timer.

#include <cstddef>
#include <functional>

namespace fw {

class DeferredQuestions {
public:
    using Ask = std::function<void()>;
    // `alive` answers false once the window that asked is gone.
    static void Post(std::function<bool()> alive, Ask ask);

    // Held for the lifetime of the object: while a command runs (nests).
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    };

    // What else keeps the user busy (a modal box is open); none: nothing.
    static void SetBusy(std::function<bool()> busy);
    // The user is free: nothing holds, nothing is being asked, no long operation, not busy.
    static bool Free();
    // Asks the waiting questions while the user is free, one after the other; the number asked.
    static int AskReady();
    static size_t Pending();
    // Forgets every waiting question (a test's fresh start).
    static void Clear();
};

} // namespace fw
