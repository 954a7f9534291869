#pragma once
// What a signal may do to a running program: SIGINT, SIGTERM and SIGHUP
// remove the temporary output files that are still being written and then end
// the process by the same signal, so an interrupted run never leaves a stray
// file behind. In the interactive console SIGINT instead only raises a flag
// that stops the running command.
//
// Everything a handler touches is a fixed table of paths and atomic flags,
// so the handlers stay async-signal-safe.
#include <csignal>

// Registers a temporary file to be removed if the process is ended by one of
// the three signals; installs the handlers on first use. A signal that was
// ignored when the program started stays ignored (nohup). Returns a ticket
// for forgetTemporary, or -1 when every slot is taken.
int registerTemporary(const char* path);
// The file was renamed or removed by its owner: no longer the handlers' business.
void forgetTemporary(int ticket);

// On: SIGINT only sets the interrupt flag, and a blocking read it interrupts
// returns (no restart). Off: SIGINT removes the temporaries and ends the process.
void catchInterrupts(bool on);
// True once SIGINT was caught while catchInterrupts was on, until cleared.
bool interruptPending();
void clearInterrupt();

// Holds the three signals back for its lifetime: a group of renames either
// all happen or, when the signal came first, none does.
class SignalHold {
public:
    SignalHold();
    ~SignalHold();
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

private:
    sigset_t saved;
};
