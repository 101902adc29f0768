#include "document/find_in_document.h"

#include "document/session.h"

FindState g_find;

namespace {

int PageCount() { return int(g_find.pages.size()); }

bool Searched(int page) { return g_find.pages[size_t(page)].has_value(); }

int MatchCount(int page) { return Searched(page) ? int(g_find.pages[size_t(page)]->size()) : 0; }

// The neighbouring match of (page, match) in `direction`; `match` may be −1 (before the
// page's first) or the page's count (after its last). Waiting when a page on the way is
// not searched yet.
StepOutcome Neighbour(int direction, int page, int match, int& outPage, int& outMatch, int& wrapped) {
  int count = PageCount();
  wrapped = 0;
  if (!Searched(page)) return StepOutcome::Waiting;
  for (int visited = 0; visited <= count; ++visited) {
    int next = match + direction;
    if (next >= 0 && next < MatchCount(page)) {
      outPage = page;
      outMatch = next;
      return StepOutcome::Moved;
    }
    int following = page + direction;
    if (following < 0 || following >= count) wrapped = direction;
    page = (following + count) % count;
    if (!Searched(page)) return StepOutcome::Waiting;
    match = direction > 0 ? -1 : MatchCount(page);
  }
  return StepOutcome::NoMatch;
}

}  // namespace

void StartFind(const std::u16string& query, FindOptions options) {
  ClearFind();
  g_find.query = query;
  g_find.options = options;
  g_find.document = g_session.document;
  g_find.generation = EditGeneration();
  if (g_session.document == nullptr || g_session.pageCount < 1 || query.empty()) return;
  g_find.pages.assign(size_t(g_session.pageCount), std::nullopt);
  g_find.startPage = g_session.currentPageIndex;
  g_find.running = true;
  g_find.pendingStep = 1;
}

bool FindMatchesQuery(const std::u16string& query, FindOptions options) {
  return !g_find.pages.empty() && g_find.query == query && g_find.options == options && FindResultsCurrent();
}

bool FindResultsCurrent() {
  return g_find.document != nullptr && g_find.document == g_session.document &&
         g_find.generation == EditGeneration() && int(g_find.pages.size()) == g_session.pageCount;
}

bool FindComplete() { return !g_find.pages.empty() && g_find.pagesSearched == PageCount(); }

bool SearchNextPage() {
  if (!g_find.running || !FindResultsCurrent() || FindComplete()) {
    g_find.running = false;
    return false;
  }
  int page = (g_find.startPage + g_find.pagesSearched) % PageCount();
  FPDF_PAGE loaded = page == g_session.currentPageIndex ? g_session.currentPage : nullptr;
  auto result = FindOnPage(g_session.document, page, loaded, g_find.query, g_find.options);
  // An unreadable page counts as searched without matches.
  g_find.pages[size_t(page)] = result ? std::move(result->matches) : std::vector<TextMatch>{};
  if (result && result->hasText) ++g_find.pagesWithText;
  ++g_find.pagesSearched;
  if (FindComplete()) g_find.running = false;
  return true;
}

void CancelFind() {
  g_find.running = false;
  g_find.pendingStep = 0;
}

void ResumeFind() {
  if (!FindComplete() && FindResultsCurrent()) g_find.running = true;
}

void ClearFind() { g_find = FindState{}; }

StepOutcome StepFind(int direction) {
  if (!FindResultsCurrent() || g_find.pages.empty()) return StepOutcome::NoMatch;
  int page = g_find.currentPage;
  int match = g_find.currentMatch;
  if (page < 0) {
    // Nothing chosen yet: start before (or after) the page shown.
    page = g_session.currentPageIndex;
    match = direction > 0 ? -1 : (Searched(page) ? MatchCount(page) : 0);
  }
  int outPage = -1, outMatch = -1;
  int wrapped = 0;
  StepOutcome outcome = Neighbour(direction, page, match, outPage, outMatch, wrapped);
  if (outcome == StepOutcome::Waiting) {
    if (FindComplete()) return StepOutcome::NoMatch;
    g_find.pendingStep = direction;
    ResumeFind();
    return outcome;
  }
  g_find.pendingStep = 0;
  if (outcome == StepOutcome::Moved) {
    g_find.currentPage = outPage;
    g_find.currentMatch = outMatch;
    g_find.wrapped = wrapped;
  }
  return outcome;
}

StepOutcome SettlePendingStep() {
  if (g_find.pendingStep == 0) return StepOutcome::NoMatch;
  int direction = g_find.pendingStep;
  StepOutcome outcome = StepFind(direction);
  // A step that has nothing to wait for any more and found nothing: the search is over.
  if (outcome != StepOutcome::Waiting) g_find.pendingStep = 0;
  return outcome;
}

int FindTotal() {
  int total = 0;
  for (int page = 0; page < PageCount(); ++page) total += MatchCount(page);
  return total;
}

int FindOrdinal() {
  if (g_find.currentPage < 0) return 0;
  int before = 0;
  for (int page = 0; page < g_find.currentPage; ++page) before += MatchCount(page);
  return before + g_find.currentMatch + 1;
}

const TextMatch* CurrentMatch() {
  if (g_find.currentPage < 0 || !FindResultsCurrent()) return nullptr;
  return &(*g_find.pages[size_t(g_find.currentPage)])[size_t(g_find.currentMatch)];
}

const std::vector<TextMatch>* MatchesOnPage(int index) {
  if (!FindResultsCurrent() || index < 0 || index >= PageCount() || !Searched(index)) return nullptr;
  return &*g_find.pages[size_t(index)];
}
