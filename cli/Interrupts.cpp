#include "Interrupts.h"

#include <csignal>

#include <signal.h>

namespace cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// Gives both signals back their default action, so a second one, of either kind, ends the program.
void onInterrupt(int)
{
    g_interrupted = 1;
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGINT, &byDefault, nullptr);
    sigaction(SIGTERM, &byDefault, nullptr);
}

} // namespace

void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // The other one waits until the first has been handled, and so meets the default action.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    // Calls under way go on (a read from MySQL, an apply): the run stops at its next progress point.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() { return g_interrupted != 0; }

void keepInterruptsOffThisThread()
{
    sigset_t interrupts;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, nullptr);
}

} // namespace cli
