#include "common/interrupts.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int cleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int slotCount = 32;

struct temporary_slot {
    std::atomic<bool> used{false};
    char path[PATH_MAX] = {};
};
std::array<temporary_slot, slotCount> temporaries;

std::atomic<bool> handlersInstalled{false};
std::array<bool, 3> ignoredAtStart{};
volatile std::sig_atomic_t interruptFlag = 0;
std::atomic<bool> catching{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the handlers need lock-free flags");

void removeTemporaries()
{
    for (temporary_slot& slot : temporaries)
        if (slot.used.load(std::memory_order_acquire)) unlink(slot.path);
}

void endBySignal(int signal)
{
    removeTemporaries();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    _exit(128 + signal); // not reached: the default action ends the process
}

extern "C" void onSignal(int signal)
{
    if (signal == SIGINT && catching.load(std::memory_order_relaxed)) {
        interruptFlag = 1;
        return;
    }
    endBySignal(signal);
}

void install(int signal, bool restart)
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int s : cleanupSignals)
        sigaddset(&action.sa_mask, s);
    // Without SA_RESTART a read at the prompt returns when SIGINT arrives.
    action.sa_flags = restart ? SA_RESTART : 0;
    sigaction(signal, &action, nullptr);
}

void installHandlers()
{
    if (handlersInstalled.exchange(true)) return;
    for (std::size_t i = 0; i < std::size(cleanupSignals); ++i) {
        struct sigaction current {};
        sigaction(cleanupSignals[i], nullptr, &current);
        ignoredAtStart[i] = current.sa_handler == SIG_IGN;
        if (!ignoredAtStart[i]) install(cleanupSignals[i], true);
    }
}

sigset_t cleanupSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int s : cleanupSignals)
        sigaddset(&set, s);
    return set;
}

} // namespace

int registerTemporary(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX) return -1;
    installHandlers();
    for (int i = 0; i < slotCount; ++i) {
        temporary_slot& slot = temporaries[static_cast<std::size_t>(i)];
        if (slot.used.load(std::memory_order_relaxed)) continue;
        std::memcpy(slot.path, path, length + 1);
        // The path is complete before a handler can see the slot in use.
        slot.used.store(true, std::memory_order_release);
        return i;
    }
    return -1;
}

void forgetTemporary(int ticket)
{
    if (ticket >= 0 && ticket < slotCount)
        temporaries[static_cast<std::size_t>(ticket)].used.store(false, std::memory_order_release);
}

void catchInterrupts(bool on)
{
    installHandlers();
    catching.store(on, std::memory_order_relaxed);
    if (!ignoredAtStart[0]) install(SIGINT, !on);
}

bool interruptPending() { return interruptFlag != 0; }

void clearInterrupt() { interruptFlag = 0; }

SignalHold::SignalHold()
{
    const sigset_t set = cleanupSet();
    pthread_sigmask(SIG_BLOCK, &set, &saved);
}

SignalHold::~SignalHold() { pthread_sigmask(SIG_SETMASK, &saved, nullptr); }
