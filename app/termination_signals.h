// SIGTERM and SIGHUP (a logout, a system shutdown, `kill`): the editor keeps the current
// state for crash recovery and leaves its event loop, instead of dying with the work.
#pragma once

// Called once the application object exists.
void InstallTerminationHandlers();
// True after such a signal ended the run: its recovery state stays on disk.
bool TerminatedBySignal();
