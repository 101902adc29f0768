// SIGTERM and SIGHUP (a logout, a system shutdown, `kill`): the editor keeps the current
// state for crash recovery and leaves its event loop, instead of dying with the work.
#pragma once

// Called once the application object exists.
void InstallTerminationHandlers();
// True after such a signal ended the run: its recovery state stays on disk.
bool TerminatedBySignal();
// The main event loop; when a signal already came during start-up (taken by a box's own
// loop), no loop is started and the signal's exit code is returned.
int RunMainLoop();
