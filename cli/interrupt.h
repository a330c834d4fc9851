#pragma once
// Ctrl-C on the terminal. The handler only raises a flag; the command reads
// it between two packets or two slices of a wait, on its own thread.
namespace korvane::cli {

// Installs the platform's handler (a signal handler, or a console control
// handler on Windows). Call once, before the first exchange.
void InstallInterruptHandler();
// true once for each Ctrl-C since the last call.
bool TakeInterrupt();

}  // namespace korvane::cli
