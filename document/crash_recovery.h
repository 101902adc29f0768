// Crash recovery: while the document has unsaved changes, its latest state is kept in a
// per-user folder, so that after a crash, a kill, a logout or a power loss the next start
// can offer it. A normal exit leaves nothing behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecoveryLeftover {
  std::u16string id;            // the run of the program that left it
  std::u16string snapshotPath;  // the document's latest state, a complete PDF
  std::u16string originalPath;  // where the document came from; empty for a new one
  std::u16string savedCopyPath; // the copy it was last saved to; empty when none
  int pageIndex = 0;
  bool createdInMemory = false;
  bool fullRewrite = false;
  int64_t savedAt = 0;  // seconds since 1970
};

// $XDG_STATE_HOME/CorvanPDF, by default ~/.local/state/CorvanPDF.
std::u16string RecoveryFolder();
// Takes this run's place in the folder: a lock held while the program runs tells other runs
// that its files are alive. False when the folder cannot be made.
bool ClaimRecoverySlot();
// After each input: writes the state when the unsaved document moved on since the last
// call, and removes it once nothing is unsaved. When the state cannot be written (or the
// folder not claimed), the user is warned once per run.
void KeepRecoveryState();
// Writes the current state whatever changed (on a termination signal).
void WriteRecoveryStateNow();
// At exit: a normal exit removes this run's files; a termination signal keeps its state.
void ReleaseRecoverySlot(bool keepState);

// Leftovers of runs that are no longer alive, newest first. Files of dead runs that hold
// no complete state are removed on the way.
std::vector<RecoveryLeftover> FindRecoveryLeftovers();
// Opens a leftover as the current document: modified and unsaved, with its original's path
// as its source, so it still cannot be saved over the original.
bool RecoverDocument(const RecoveryLeftover& leftover);
void DeleteRecoveryLeftover(const RecoveryLeftover& leftover);
// The start-up question about the newest leftover: recover it (true when it was), delete it,
// or leave it for the next start.
bool OfferRecovery();
