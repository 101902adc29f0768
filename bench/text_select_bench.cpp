// Selecting the words of a page of 300 words: the first drag step on a page just shown (its
// characters read once, the pointer mapped to a character, the selected lines' rectangles)
// against the engine's bare walk over the same characters' boxes, and later steps on their own.
// Highlighting a selected line: the annotation added and the page rendered again, against a
// bare render of the same page.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "editing/page_text_select.h"
#include "editing/text_marks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/text_pdf.h"
#include "view/page_view.h"

namespace {

constexpr int kLines = 30;
constexpr int kWordsPerLine = 10;

std::string WorksheetContent() {
  static const char* const kWords[] = {"angle", "side", "area", "proof", "line", "point", "circle", "radius", "chord", "arc"};
  std::string content;
  for (int line = 0; line < kLines; ++line) {
    std::string text;
    for (int word = 0; word < kWordsPerLine; ++word) text += std::string(word ? " " : "") + kWords[(line + word) % 10];
    content += TextAt(50, 790 - float(line) * 24, 14, text) + "\n";
  }
  return content;
}

void Show() {
  g_layout = WindowLayout{};
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
}

double BareBoxWalk(int& characters) {
  auto start = BenchClock::now();
  ScopedTextPage text(g_engine.FPDFText_LoadPage(g_session.currentPage));
  characters = g_engine.FPDFText_CountChars(text.get());
  double sum = 0;
  for (int i = 0; i < characters; ++i) {
    if (g_engine.FPDFText_CountRects(text.get(), i, 1) < 1) continue;
    double l, t, r, b;
    if (g_engine.FPDFText_GetRect(text.get(), 0, &l, &t, &r, &b)) sum += l;
  }
  double ms = MillisecondsSince(start);
  if (sum == 12345.678) std::printf(" ");
  return ms;
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  std::string path = *work + "/words.pdf";
  WriteTextPdf(path, "/MediaBox [0 0 595 842]", WorksheetContent());
  if (!OpenDocument(Utf8ToUtf16(path))) {
    std::fprintf(stderr, "the page of words did not open\n");
    return 1;
  }
  Show();
  float x0, y0, x1, y1;
  PageToScreen(52, 795, x0, y0);   // in the first word
  PageToScreen(400, 795 - 24 * 25, x1, y1);  // far into the 26th line
  ScreenPoint from{int(x0), int(y0)}, to{int(x1), int(y1)};
  std::vector<double> first, walk, later;
  int characters = 0;
  size_t lines = 0;
  for (int round = 0; round < 15; ++round) {
    ForgetPageTextLayout();
    auto start = BenchClock::now();
    PageTextPress(from);
    PageTextMove(to);
    lines = SelectedPageTextRects().size();
    first.push_back(MillisecondsSince(start));
    walk.push_back(BareBoxWalk(characters));
    start = BenchClock::now();
    PageTextMove({to.x, to.y + (round % 2 ? 3 : -3)});
    SelectedPageTextRects();
    later.push_back(MillisecondsSince(start));
    PageTextRelease(to);
  }
  if (lines != 26) std::fprintf(stderr, "the drag selected %zu lines, not 26\n", lines);
  std::printf("BENCH select_text_page_300_words ratio=%.2f target=1.5 (first drag step on the page %.3f ms, bare box walk "
              "%.3f ms over %d characters, later steps %.3f ms, median of 15 paired runs)\n",
              MedianPairedRatio(first, walk), Median(first), Median(walk), characters, Median(later));
  std::vector<double> marked, bare;
  for (int round = 0; round < 15; ++round) {
    PageTextDoubleClick(from);  // a word of the first line
    auto start = BenchClock::now();
    if (!MarkSelectedText(TextMarkKind::Highlight)) std::fprintf(stderr, "the highlight was not added\n");
    InvalidateRender(true);
    Render();
    marked.push_back(MillisecondsSince(start));
    start = BenchClock::now();
    InvalidateRender(true);
    Render();
    bare.push_back(MillisecondsSince(start));
  }
  std::printf("BENCH highlight_add_visible ratio=%.2f target=1.3 (highlight added and page rendered %.2f ms, bare render "
              "%.2f ms, median of 15 paired runs)\n",
              MedianPairedRatio(marked, bare), Median(marked), Median(bare));
  CloseSessionDocument();
  DiscardHistory();
  return 0;
}
