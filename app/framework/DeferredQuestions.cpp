#include "app/framework/DeferredQuestions.h"

#include "app/framework/LongOperation.h"

#include <deque>
#include <utility>

namespace fw {
namespace {

struct Waiting {
    std::function<bool()> alive;
    DeferredQuestions::Ask ask;
};

std::deque<Waiting>& Queue()
{
    static std::deque<Waiting> queue;
    return queue;
}
std::function<bool()>& Busy()
{
    static std::function<bool()> busy;
    return busy;
}
int g_holds = 0;
bool g_asking = false;

struct Asking {
    Asking() { g_asking = true; }
    ~Asking() { g_asking = false; }
};

} // namespace

void DeferredQuestions::Post(std::function<bool()> alive, Ask ask)
{
    if (ask)
        Queue().push_back({std::move(alive), std::move(ask)});
}

DeferredQuestions::Hold::Hold() { ++g_holds; }
DeferredQuestions::Hold::~Hold() { --g_holds; }

void DeferredQuestions::SetBusy(std::function<bool()> busy) { Busy() = std::move(busy); }

bool DeferredQuestions::Free()
{
    return g_holds == 0 && !g_asking && !LongOperation::Active() && !(Busy() && Busy()());
}

int DeferredQuestions::AskReady()
{
    int asked = 0;
    while (!Queue().empty() && Free()) {
        Waiting next = std::move(Queue().front());
        Queue().pop_front();
        if (next.alive && !next.alive())
            continue;
        // The question runs an event loop of its own: nothing else is asked meanwhile.
        const Asking asking;
        next.ask();
        ++asked;
    }
    return asked;
}

size_t DeferredQuestions::Pending() { return Queue().size(); }

void DeferredQuestions::Clear() { Queue().clear(); }

} // namespace fw
