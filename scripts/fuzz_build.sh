# Sourced by the fuzzing scripts: installs clang (and python3, which writes their seeds),
# configures the sanitizer and fuzzer build in build-fuzz/ and builds the one target given;
# sets `root`, `build` and `runs`.
#   . "$(dirname "${BASH_SOURCE[0]}")/fuzz_build.sh" <target> [runs]
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
runs="${2:-1000000}"
"$root/scripts/setup.sh" clang libclang-rt-14-dev python3
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVAN_SANITIZE=ON -DCORVAN_FUZZ=ON -DCORVAN_BUILD_TESTS=OFF -DCORVAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "$1"
