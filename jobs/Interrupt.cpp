#include "jobs/Interrupt.h"

#include <csignal>
#include <mutex>

namespace jobs {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}

// Watches may nest (a burn command that decodes, then waits for the write): the first installs
// the handlers, the last restores the ones of before.
std::mutex gMutex;
int gWatches = 0;
struct sigaction gOldInt {};
struct sigaction gOldTerm {};

} // namespace

InterruptWatch::InterruptWatch() {
    std::lock_guard lock(gMutex);
    if (gWatches++ > 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART; // the engine's threads keep their reads and writes going
    sigemptyset(&action.sa_mask);
    gInterrupted = 0;
    ::sigaction(SIGINT, &action, &gOldInt);
    ::sigaction(SIGTERM, &action, &gOldTerm);
}

InterruptWatch::~InterruptWatch() {
    std::lock_guard lock(gMutex);
    if (--gWatches > 0)
        return;
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
}

bool InterruptWatch::Interrupted() const {
    return gInterrupted != 0;
}

} // namespace jobs
