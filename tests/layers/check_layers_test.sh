#!/usr/bin/env bash
# The layer check against scratch trees: a clean one passes, and every way of reaching a layer
# above (or Qt below the widgets) is refused, each naming the file and line that does it.
# Usage: check_layers_test.sh <check_layers.sh>
set -uo pipefail
check="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
cases=0

# A small tree in which every layer uses only those below it.
clean_tree() {
  local t="$1"
  mkdir -p "$t"/{geometry,engine,drawing,view,widgets,tests}
  printf '#pragma once\nint Twice(int);\n' >"$t/geometry/points.h"
  printf '#include "geometry/points.h"\nint Twice(int v) { return 2 * v; }\n' >"$t/geometry/points.cpp"
  printf '#pragma once\n#include <vector>\n#include "geometry/points.h"\n' >"$t/drawing/marks.h"
  printf '#include "drawing/marks.h"\n#include <geometry/points.h>\n#include "../geometry/points.h"\nint Mark() { return Twice(3); }\n' >"$t/drawing/marks.cpp"
  mkdir -p "$t/drawing/deep"
  printf '#pragma once\n#include "../marks.h"\n' >"$t/drawing/deep/inner.h"
  printf '#pragma once\nint Zoom();\n' >"$t/view/page_view.h"
  printf '#include "view/page_view.h"\n#include "drawing/marks.h"\nint Zoom() { return Twice(2); }\n' >"$t/view/page_view.cpp"
  printf '#pragma once\n#include <QString>\n#include "view/page_view.h"\n' >"$t/widgets/canvas.h"
  printf '#pragma once\nint Helper();\n' >"$t/tests/helper.h"
}

# Compiles every .cpp of the tree's layers into libcorvan_<layer>.a under <tree>/build, through
# ninja so that its dependency log is there as in the real build. Extra flags per source file
# come from a file beside it named <source>.flags.
build_tree() {
  local t="$1" b="$1/build" objects layer source
  mkdir -p "$b"
  {
    printf 'rule cc\n  command = c++ -std=c++20 -MD -MF $out.d $flags -I%s -c $in -o $out\n  depfile = $out.d\n  deps = gcc\n' "$t"
    printf 'rule ar\n  command = rm -f $out && ar qc $out $in\n'
    for layer in geometry engine drawing view; do
      objects=""
      while IFS= read -r source; do
        local object="CMakeFiles/corvan_$layer.dir/${source#"$t"/}.o"
        printf 'build %s: cc %s\n  flags = %s\n' "$object" "$source" "$(cat "$source.flags" 2>/dev/null)"
        objects+=" $object"
      done < <(find "$t/$layer" -name '*.cpp' | sort)
      [[ -z "$objects" ]] || printf 'build libcorvan_%s.a: ar%s\n' "$layer" "$objects"
    done
  } >"$b/build.ninja"
  ninja -C "$b" >/dev/null || { echo "scratch build failed in $t"; exit 2; }
}

# expect_refused <name> <pattern> [build]: the tree at $scratch/<name> is refused, and the
# output matches the pattern.
expect_refused() {
  local name="$1" pattern="$2" output
  cases=$((cases + 1))
  if output="$("$check" "$scratch/$name" ${3:+"$scratch/$name/build"} 2>&1)"; then
    echo "NOT REFUSED: $name"; echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  elif ! grep -qE -- "$pattern" <<<"$output"; then
    echo "REFUSED WITHOUT NAMING IT: $name (wanted /$pattern/)"; echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

# new_case <name>: a fresh clean tree to add one trick to.
new_case() {
  clean_tree "$scratch/$1"
}

# The clean tree passes, without and with its build.
new_case clean
build_tree "$scratch/clean"
for with_build in "" build; do
  cases=$((cases + 1))
  if ! output="$("$check" "$scratch/clean" ${with_build:+"$scratch/clean/build"} 2>&1)"; then
    echo "CLEAN TREE REFUSED (${with_build:-sources only}):"; echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
done

# Climbing includes, one spelling each.
new_case quoted
printf '#include "geometry/points.h"\n#include "view/page_view.h"\n' >"$scratch/quoted/drawing/a.cpp"
expect_refused quoted 'drawing/a.cpp:2: drawing/ includes view/'

new_case angled
printf '#include <view/page_view.h>\n' >"$scratch/angled/drawing/a.cpp"
expect_refused angled 'drawing/a.cpp:1: drawing/ includes view/'

new_case parent
printf '\n#include "../view/page_view.h"\n' >"$scratch/parent/drawing/a.cpp"
expect_refused parent 'drawing/a.cpp:2: drawing/ includes view/'

new_case subfolder
mkdir -p "$scratch/subfolder/drawing/deep/er"
printf '#include "view/page_view.h"\n' >"$scratch/subfolder/drawing/deep/er/a.cpp"
expect_refused subfolder 'drawing/deep/er/a.cpp:1: drawing/ includes view/'

new_case subfolder_parent
mkdir -p "$scratch/subfolder_parent/drawing/deep"
printf '#include "../../view/page_view.h"\n' >"$scratch/subfolder_parent/drawing/deep/a.h"
expect_refused subfolder_parent 'drawing/deep/a.h:1: drawing/ includes view/'

new_case subfolder_named_like_a_layer
mkdir -p "$scratch/subfolder_named_like_a_layer/drawing/view"
printf '#include "view/page_view.h"\n' >"$scratch/subfolder_named_like_a_layer/drawing/view/a.h"
expect_refused subfolder_named_like_a_layer 'drawing/view/a.h:1: drawing/ includes view/'

for ext in h hpp inc cc cxx ipp; do
  new_case "ext_$ext"
  printf '#include "view/page_view.h"\n' >"$scratch/ext_$ext/drawing/a.$ext"
  expect_refused "ext_$ext" "drawing/a.$ext:1: drawing/ includes view/"
done

new_case spaced
printf '  #   include\t<view/page_view.h>\n' >"$scratch/spaced/drawing/a.cpp"
expect_refused spaced 'drawing/a.cpp:1: drawing/ includes view/'

new_case commented
printf '#/**/include /* here */ "view/page_view.h" // there\n' >"$scratch/commented/drawing/a.cpp"
expect_refused commented 'drawing/a.cpp:1: drawing/ includes view/'

new_case continued
printf 'int x;\n#include \\\n  "view/page_view.h"\n' >"$scratch/continued/drawing/a.cpp"
expect_refused continued 'drawing/a.cpp:2: drawing/ includes view/'

# A comment that opens on one line and closes before the directive on another.
new_case comment_spanning
printf '/* one\n   two */ #include "view/page_view.h"\n' >"$scratch/comment_spanning/drawing/a.cpp"
expect_refused comment_spanning 'drawing/a.cpp:2: drawing/ includes view/'

# A string that looks like an opening comment does not hide the next line.
new_case fake_comment
printf 'const char* s = "/*";\n#include "view/page_view.h"\n// */\n' >"$scratch/fake_comment/drawing/a.cpp"
expect_refused fake_comment 'drawing/a.cpp:2: drawing/ includes view/'

new_case include_next
printf '#include_next <view/page_view.h>\n' >"$scratch/include_next/drawing/a.h"
expect_refused include_next 'drawing/a.h:1: drawing/ includes view/'

new_case import
printf '#import "view/page_view.h"\n' >"$scratch/import/drawing/a.h"
expect_refused import 'drawing/a.h:1: drawing/ includes view/'

new_case macro
printf '#define WHERE "view/page_view.h"\n#include WHERE\n' >"$scratch/macro/drawing/a.cpp"
expect_refused macro 'drawing/a.cpp:2: drawing/ includes through a macro'

new_case linked_folder
ln -s ../view "$scratch/linked_folder/drawing/v"
printf '#include "v/page_view.h"\n' >"$scratch/linked_folder/drawing/a.cpp"
expect_refused linked_folder 'drawing/a.cpp:1: drawing/ includes view/'

new_case linked_file
ln -s ../view/page_view.h "$scratch/linked_file/drawing/page_view.h"
printf '#include "drawing/page_view.h"\n' >"$scratch/linked_file/drawing/a.cpp"
expect_refused linked_file 'drawing/a.cpp:1: drawing/ includes view/'

new_case missing_file
printf '#include <view/not_there.h>\n' >"$scratch/missing_file/drawing/a.cpp"
expect_refused missing_file 'drawing/a.cpp:1: drawing/ includes view/'

new_case test_folder
printf '#include "tests/helper.h"\n' >"$scratch/test_folder/drawing/a.cpp"
expect_refused test_folder 'drawing/a.cpp:1: drawing/ includes tests/helper.h from tests/'

# Qt below the widgets, every spelling.
qt=0
for header in '<QString>' '"QString"' '<QtCore/QString>' '<QtCore>' '<qstring.h>' '<QtCore/qstring.h>'; do
  qt=$((qt + 1))
  new_case "qt_$qt"
  mkdir -p "$scratch/qt_$qt/engine/inner"
  printf '// a\n#include %s\n' "$header" >"$scratch/qt_$qt/engine/inner/a.h"
  expect_refused "qt_$qt" "engine/inner/a.h:2: engine/ includes a Qt header"
done

# What only the build shows: a header forced in by a compile option.
new_case forced_header
printf 'int Lower() { return 1; }\n' >"$scratch/forced_header/drawing/a.cpp"
printf -- '-include view/page_view.h' >"$scratch/forced_header/drawing/a.cpp.flags"
build_tree "$scratch/forced_header"
expect_refused forced_header 'corvan_drawing.dir/drawing/a.cpp.o: drawing/ is compiled from view/page_view.h' build

# A function declared low and defined high: every include is in order, the symbols are not.
new_case defined_above
printf '#pragma once\nint Lift();\n' >"$scratch/defined_above/geometry/lift.h"
printf '#include "geometry/lift.h"\nint UsesLift() { return Lift(); }\n' >"$scratch/defined_above/geometry/user.cpp"
printf '#include "geometry/lift.h"\nint Lift() { return 7; }\n' >"$scratch/defined_above/view/lift.cpp"
build_tree "$scratch/defined_above"
expect_refused defined_above 'geometry/user.cpp.o: needs Lift\(\), defined only above it in view/lift.cpp.o' build
if "$check" "$scratch/defined_above" >/dev/null 2>&1; then :; else
  echo "the sources alone of defined_above should pass: only its symbols break the layers"
  failures=$((failures + 1))
fi

# A layer whose library was not built cannot be vouched for.
new_case unbuilt
build_tree "$scratch/unbuilt"
rm "$scratch/unbuilt/build/libcorvan_drawing.a"
expect_refused unbuilt 'drawing/: no libcorvan_drawing.a' build

echo "$cases cases, $failures wrong"
((failures == 0))
