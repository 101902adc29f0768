#!/usr/bin/env bash
# Puts small faults into the code one at a time and reports which the tests catch: the measure
# of what the tests are worth, kept so that it can be taken again before and after a change to
# them. Works in a scratch git worktree of the given commit with its own build folder; the
# checkout it is run from is never touched.
# Usage: inject_faults.sh [commit] [fault number...]   (default: HEAD, every fault)
# FAULTS_DIR: where the scratch worktree goes (keep it below CCACHE_BASEDIR to reuse the cache);
# JOBS: build jobs (2); REPO: the repository, when the script runs from a copy; KEEP=1 keeps the
# scratch worktree and its build for the next run with the same FAULTS_DIR.
set -euo pipefail
repo="${REPO:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
commit="${1:-HEAD}"
shift || true
chosen=("$@")
jobs="${JOBS:-2}"

files=() befores=() afters=() targets=() patterns=() whats=()
# fault <file> <text> <replacement> <test target> <ctest pattern> <what the user would meet>
fault() {
  files+=("$1") befores+=("$2") afters+=("$3") targets+=("$4") patterns+=("$5") whats+=("$6")
}

# geometry/
fault geometry/screen_mapping.cpp 'float(r.bottom) - y' 'y - float(r.top)' \
  geometry_tests 'ScreenMappingTest' 'a click lands mirrored top to bottom on the page'
fault geometry/stroke_smoothing.cpp 'box.right = std::max(box.right' 'box.right = std::min(box.right' \
  view_tests 'StrokeSmoothing' 'a pen stroke is repainted without its right-hand part'
# platform/
fault platform/file_identity.cpp 'then.size == now.size && then.modifiedNs == now.modifiedNs' 'then.size == now.size' \
  document_tests 'FileIdentityTest' 'a file rewritten on disk at the same size passes as unchanged'
# engine/
fault engine/page_box.cpp 'std::max(crop->left, media.left)' 'std::min(crop->left, media.left)' \
  view_tests 'DisplayedBoxTest|PageViewTest' 'a crop box wider than the media box shows beyond the paper'
# document/
fault document/undo_history.cpp 'if (current) to.push_back(std::move(*current));' '' \
  document_tests 'UndoTest' 'redo has nothing to go back to after an undo'
fault document/page_operations.cpp 'if (g_session.pageCount < 2) {' 'if (g_session.pageCount < 1) {' \
  document_tests 'PageOperationsTest' 'the last page of a document can be deleted'
fault document/cvn_container.cpp 'if (pdfLength <= 4 || *size - kCvnHeaderSize != pdfLength) return kCvnInvalid;' \
  'if (pdfLength <= 4) return kCvnInvalid;' \
  document_tests 'CvnTest' 'a cut-off CVN file is opened as if whole'
fault document/text_search.cpp '(options.matchCase ? kFindMatchCase : 0)' '(options.matchCase ? 0 : 0)' \
  document_tests 'FindTest' '区分大小写 finds words in the other case'
fault document/recent_documents.cpp 'if (!SameFile(entry, *full) && updated.size()' 'if (updated.size()' \
  document_tests 'RecentDocumentsTest' 'a reopened file stands twice in the recent list'
# drawing/
fault drawing/shapes.cpp '{{(left + right) / 2, top}, {right, bottom}, {left, bottom}}' '{{left, top}, {right, bottom}, {left, bottom}}' \
  drawing_tests 'ShapesTest|LabelsTest' 'a drawn triangle is right-angled instead of isosceles'
fault drawing/shapes.cpp 'points.push_back(points.front());' '(void)0;' \
  drawing_tests 'ShapesTest|LabelsTest|TurnedPagesTest' 'a rectangle is drawn with one side missing'
fault drawing/labels.cpp 'largest == 0xFFFFFFFFu ? 0 : largest + 1' 'largest == 0xFFFFFFFFu ? 0 : largest + 2' \
  drawing_tests 'LabelsTest' 'the second triangle on a page skips a label number'
# content/
fault content/text_rules.cpp 'if (value < kMinTextSize || value > kMaxTextSize) return std::nullopt;' \
  'if (value > kMaxTextSize) return std::nullopt;' \
  text_tests 'TextRulesTest|TextBoxLayoutTest' 'a font size of 0 is accepted'
fault content/watermarks.cpp 'for (int i = count - 1; i >= 0; --i) {' 'for (int i = count - 1; i > 0; --i) {' \
  content_tests 'WatermarkTest|WatermarkCycleTest' 'removing watermarks leaves the first object of a page'
fault content/clipboard_dib.cpp '(bits != 24 && bits != 32)' '(bits != 24 && bits != 32 && bits != 16)' \
  content_tests 'ClipboardDibTest' 'a 16-bit clipboard picture is read as if it had 24 or 32 bits'
# external/
fault external/print_pages.cpp 'if (set == PageSet::Odd && number % 2 == 0) continue;' \
  'if (set == PageSet::Odd && number % 2 == 1) continue;' \
  external_tests 'PrintPagesTest' 'printing odd pages prints the even ones'
fault external/print_pages.cpp 'if (reverse) std::reverse(pages.begin(), pages.end());' '' \
  external_tests 'PrintPagesTest' 'printing in reverse order prints front to back'
# view/
fault view/page_view.cpp 'g_view.zoom < kMaxZoom; }' 'g_view.zoom <= kMaxZoom; }' \
  view_tests 'PageViewTest' 'zoom in stays offered at the largest zoom'
fault view/navigator_model.cpp 'if (index < g_navigator.thumbnails.size()) g_navigator.thumbnails[index] = Thumbnail{};' '' \
  view_tests 'NavigatorModelTest' 'an edited page keeps its old thumbnail'
# editing/
fault editing/drawing_commands.cpp 'std::abs(end.x - start.x) >= 3 || std::abs(end.y - start.y) >= 3' \
  'std::abs(end.x - start.x) >= 3 && std::abs(end.y - start.y) >= 3' \
  window_tests 'DrawingWindowTest|LineWidthWindowTest|DrawingEvidenceTest' 'a level or upright line drag draws nothing'
fault editing/pointer_input.cpp 'if (dx * dx + dy * dy < 4) return false;' 'if (dx * dx + dy * dy < 400) return false;' \
  window_tests 'DrawingWindowTest|DrawingEvidenceTest|EraseDeleteWindowTest' 'short pen moves are dropped from a stroke'
# widgets/
fault widgets/page_canvas.cpp 'if (event->button() == Qt::LeftButton) OnLeftDoubleClick' \
  'if (event->button() == Qt::RightButton) OnLeftDoubleClick' \
  window_tests 'TextEditWindowTest|ShapePanelWindowTest|SelectionWindowTest' 'a double click no longer opens what it opens'
# app/
fault app/menus.cpp 'QKeySequence(Qt::CTRL | Qt::Key_Right)' 'QKeySequence(Qt::CTRL | Qt::Key_Down)' \
  window_tests 'KeysAndModesTest|WindowTest' 'Ctrl+Right no longer turns to the next page'
fault app/corvan_application.cpp 'key->key() == Qt::Key_Space && !key->isAutoRepeat()' 'key->key() == Qt::Key_Tab && !key->isAutoRepeat()' \
  window_tests 'KeysAndModesTest|DrawingWindowTest' 'holding the space bar no longer pans while the pen is chosen'
fault app/command_router.cpp 'edit != nullptr && edit->isUndoAvailable()) {' 'edit != nullptr && false) {' \
  window_tests 'TextEditWindowTest|KeyboardWindowTest|TextWindowTest' 'Ctrl+Z in a text box undoes the document instead of the typing'

# Every fault unless numbers were given.
if ((${#chosen[@]} == 0)); then for i in "${!files[@]}"; do chosen+=("$((i + 1))"); done; fi

work="${FAULTS_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/corvan-faults.XXXXXX")}"
mkdir -p "$work"
tree="$work/tree"
cleanup() {
  [[ -n "${KEEP:-}" ]] && return
  git -C "$repo" worktree remove --force "$tree" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
if [[ -e "$tree/.git" ]]; then
  git -C "$tree" checkout -q --detach "$commit"  # a kept scratch tree: its build is reused
else
  git -C "$repo" worktree add --detach "$tree" "$commit" >/dev/null 2>&1
fi
echo "faults in $(git -C "$tree" log -1 --format='%h %s')"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

"$tree/scripts/setup.sh" >/dev/null  # the engine library and fonts the tests load from build/
cmake -S "$tree" -B "$tree/build" -G Ninja >/dev/null
needed=()
for n in "${chosen[@]}"; do needed+=("${targets[$((n - 1))]}"); done
mapfile -t needed < <(printf '%s\n' "${needed[@]}" | sort -u)
cmake --build "$tree/build" --target "${needed[@]}" -- -j"$jobs" >"$work/build.log" 2>&1 ||
  { tail -20 "$work/build.log"; echo "the unchanged tree does not build"; exit 1; }

# Each fault's tests pass before it goes in; otherwise a failure would prove nothing.
all=""
for n in "${chosen[@]}"; do all+="${all:+|}${patterns[$((n - 1))]}"; done
if ! ctest --test-dir "$tree/build" -R "$all" -j"$jobs" --timeout 300 >"$work/baseline.log" 2>&1; then
  grep -E 'Failed|Timeout|Not Run' "$work/baseline.log" | head -20
  echo "the unchanged tree fails the tests the faults are measured with"
  exit 1
fi

caught=0 missed=0 broken=0
for n in "${chosen[@]}"; do
  i=$((n - 1))
  file="$tree/${files[$i]}"
  if ! FROM="${befores[$i]}" TO="${afters[$i]}" perl -0pi -e 'exit 3 unless s/\Q$ENV{FROM}\E/$ENV{TO}/' "$file"; then
    echo "fault $n: ${files[$i]}: the text to change is gone; update the fault"
    broken=$((broken + 1))
    git -C "$tree" checkout -- "${files[$i]}"
    continue
  fi
  result=""
  if ! cmake --build "$tree/build" --target "${targets[$i]}" -- -j"$jobs" >"$work/fault.log" 2>&1; then
    result="does not build"
    broken=$((broken + 1))
  elif ctest --test-dir "$tree/build" -R "${patterns[$i]}" -j"$jobs" --timeout 300 --stop-on-failure >"$work/fault.log" 2>&1; then
    result="MISSED"
    missed=$((missed + 1))
  else
    first="$(grep -m1 -E 'Test +#[0-9]+: [^ ]+ \.+\**(Failed|Timeout|Exception)' "$work/fault.log" |
      sed -E 's/.*#[0-9]+: ([^ ]+) .*/\1/')" || true
    result="caught by ${first:-a failing test}"
    caught=$((caught + 1))
  fi
  git -C "$tree" checkout -- "${files[$i]}"
  echo "fault $n ($(dirname "${files[$i]}")/): ${whats[$i]}: $result"
done
git -C "$tree" diff --quiet || { echo "the scratch tree was left changed"; exit 1; }
echo "FAULTS caught=$caught missed=$missed broken=$broken of ${#chosen[@]}"
