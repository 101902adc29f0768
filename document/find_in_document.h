// A search over the whole document, run a page at a time so the window can keep working in
// between: it starts at the page shown, goes round to the page before it, and keeps every
// page's matches so stepping to the next or previous one needs no engine call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/text_search.h"
#include "engine/pdfium_types.h"

struct FindState {
  std::u16string query;
  FindOptions options;
  FPDF_DOCUMENT document = nullptr;  // the results hold for this document …
  uint64_t generation = 0;           // … at this edit generation only
  std::vector<std::optional<std::vector<TextMatch>>> pages;  // nothing: not searched yet
  int startPage = 0;
  int pagesSearched = 0;  // in order from startPage, wrapping
  int pagesWithText = 0;
  bool running = false;   // more pages to search and not cancelled
  int currentPage = -1;   // the chosen match, -1 while none
  int currentMatch = -1;
  int pendingStep = 0;    // +1 / -1: a step waits for pages not searched yet
  int wrapped = 0;        // the last step went round: +1 past the end to the start, −1 back
};

extern FindState g_find;

// Starts a new search from the current page; the first step forward is requested.
void StartFind(const std::u16string& query, FindOptions options);
// True when a search exists for this query and options and the document is as it was.
bool FindMatchesQuery(const std::u16string& query, FindOptions options);
// False when the document was replaced or edited since the search began.
bool FindResultsCurrent();
// Searches the next page; false when there was nothing left to search.
bool SearchNextPage();
bool FindComplete();
// Stops a running search; what was found stays usable and the search resumes when needed.
void CancelFind();
void ResumeFind();
// Forgets the search.
void ClearFind();

enum class StepOutcome { Moved, Waiting, NoMatch };
// Moves to the next (+1) or previous (−1) match in reading order, going round the document.
// Waiting: the neighbour lies on a page not searched yet (the step is kept as pending).
StepOutcome StepFind(int direction);
// Carries out a pending step when the pages it needs are now searched.
StepOutcome SettlePendingStep();

int FindTotal();  // matches found so far
// 1-based place of the chosen match among all matches (valid once the search is complete).
int FindOrdinal();
// The chosen match; nothing when none is chosen or the results are stale.
const TextMatch* CurrentMatch();
// The matches on a page, empty when unknown or stale.
const std::vector<TextMatch>* MatchesOnPage(int index);
