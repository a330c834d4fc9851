#pragma once
// The mark of a running korvane or korvane-cli. The Windows installer and
// uninstaller look for it, in their own session and in every other, so that
// they never replace or remove the program's files while it runs
// (packaging/windows/korvane.nsi names it too).
namespace korvane {

// Sets the mark for the rest of the process's life; the system drops it when
// the process ends, however it ends. Nothing to mark on other systems.
void MarkProgramRunning();

}  // namespace korvane
