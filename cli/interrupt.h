#pragma once
// Ctrl-C on the terminal, the console closing, and on Windows the end of
// the session. The handlers only raise a flag; the command reads it between
// two packets or two slices of a wait, on its own thread, and a fixed pause
// ends early while it is raised.
namespace korvane::cli {

// Installs the platform's handler (a signal handler, or on Windows a console
// control handler and a hidden window that hears the session end and the
// system sleep). Call once, on the thread that runs the exchanges, before
// the first.
void InstallInterruptHandler();
// true once for each interrupt since the last call.
bool TakeInterrupt();
// true while an interrupt waits to be taken.
bool InterruptPending();
// Asks for an interrupt, as Ctrl-C does.
void RaiseInterrupt();

// The console is closing (Windows ends the program five seconds after it is
// told): asks for an interrupt and waits at most `waitMs` for the command to
// finish. Returns the status the program is to end with: the command's, or 1
// when it did not finish in time.
int CloseRequested(int waitMs);
// The command has ended with `status`, its files cleaned up.
void CommandFinished(int status);

}  // namespace korvane::cli
