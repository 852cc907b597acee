// A window's question raised from a notice or a timer waits while a command runs, a long
// operation runs or a box is open, then the waiting ones are asked one at a time in their order;
// one whose window went is dropped.

#include "app/framework/DeferredQuestions.h"
#include "app/framework/LongOperation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using fw::DeferredQuestions;

TEST(DeferredQuestions, WaitWhileTheUserIsBusyThenComeOneAtATimeInTheirOrder)
{
    DeferredQuestions::Clear();
    bool boxOpen = false;
    DeferredQuestions::SetBusy([&] { return boxOpen; });
    std::vector<std::string> asked;
    bool firstAlive = true;
    DeferredQuestions::Post([&] { return firstAlive; }, [&] { asked.push_back("gone window"); });
    DeferredQuestions::Post({}, [&] {
        asked.push_back("tuner");
        // Asked while this one runs its own loop: nothing else comes in between.
        EXPECT_FALSE(DeferredQuestions::Free());
        EXPECT_EQ(DeferredQuestions::AskReady(), 0);
    });
    DeferredQuestions::Post({}, [&] { asked.push_back("chart"); });

    struct Busy {
        const char* what;
        std::function<void()> enter, leave;
    };
    std::optional<DeferredQuestions::Hold> hold;
    const Busy busy[] = {
        {"a command runs", [&] { hold.emplace(); }, [&] { hold.reset(); }},
        {"a long operation runs", [] { fw::LongOperation::Enter(); }, [] { fw::LongOperation::Leave(); }},
        {"a box is open", [&] { boxOpen = true; }, [&] { boxOpen = false; }},
    };
    for (const Busy& b : busy) {
        SCOPED_TRACE(b.what);
        b.enter();
        EXPECT_FALSE(DeferredQuestions::Free());
        EXPECT_EQ(DeferredQuestions::AskReady(), 0);
        EXPECT_TRUE(asked.empty());
        b.leave();
    }
    {
        // Nested holds: free only once the outermost ends.
        DeferredQuestions::Hold outer;
        {
            DeferredQuestions::Hold inner;
        }
        EXPECT_FALSE(DeferredQuestions::Free());
    }
    firstAlive = false;
    EXPECT_TRUE(DeferredQuestions::Free());
    EXPECT_EQ(DeferredQuestions::AskReady(), 2);
    EXPECT_EQ(asked, (std::vector<std::string>{"tuner", "chart"}));
    EXPECT_EQ(DeferredQuestions::Pending(), 0u);
    DeferredQuestions::SetBusy({});
}
