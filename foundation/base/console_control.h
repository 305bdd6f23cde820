// Console control: SIGINT, SIGQUIT, SIGHUP and SIGTERM handled on one sigwait thread as console events.
#pragma once

// The console event numbers the handler logs and decides on.
enum ConsoleControlType : int {
    ConsoleControlC = 0,         // SIGINT
    ConsoleControlBreak = 1,     // SIGQUIT
    ConsoleControlClose = 2,     // SIGHUP
    ConsoleControlLogoff = 5,    // no signal maps here
    ConsoleControlShutdown = 6,  // SIGTERM
};

// The event of a signal; -1 for a signal that is not a console event.
int ConsoleControlTypeOfSignal(int signalNumber);

// Blocks the four console signals in the calling thread. main does it before
// any thread exists, so every thread inherits the mask and the signals reach
// only the sigwait thread. A signal the parent left ignored stays ignored and
// unblocked.
void BlockConsoleControlSignals();

// Starts the thread that waits for the blocked signals for the whole run.
// Until the command host switches the handler on, a signal ends the process
// as it would have unblocked (default action). Once only; true when running.
bool StartConsoleControlThread();

// The handler logic: logs "Console Window event handler called for
// CtrlType=%d"; after the host ended (mode flag set) it clears the
// handlers-installed flag and returns false, so the default action ends the
// process; otherwise it sets the close request, and for a close, log-off or
// shutdown waits in 1000 ms steps until the host has ended. True when the
// event was taken.
bool ConsoleCtrlHandler(int controlType);
