#!/usr/bin/env bash
# Sets up the machine, checks the layout and the formatting, builds korvelSC
# with every warning an error and runs the whole test suite: the ordinary
# build, the same suite again under AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer, and each fuzz target on its
# committed corpus for a fixed time.
#   KORVEL_FUZZ_SECONDS   seconds per fuzz target (default 60; 0 skips)
#   KORVEL_SKIP_SANITIZE  set to 1 to skip the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/setup.sh

echo "== layout and format"
bash scripts/check_layout.sh
bash scripts/format.sh --check

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ "${KORVEL_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== build and test with sanitizers"
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_SANITIZE=ON -DKORVEL_BUILD_BENCH=OFF \
    -DKORVEL_WERROR=ON
  cmake --build build-sanitize -j"$jobs"
  # intercept_tls_get_addr=0: the leak checker's tracking of dynamic TLS
  # blocks (GCC 12's runtime on this glibc) can record a bogus block for a
  # dlopen'ed library's thread-locals and crash at exit scanning it; the
  # plug-in's one thread-local is a pointer to a stack object, so nothing is
  # lost by not scanning them.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LSAN_OPTIONS=suppressions="$PWD/tests/lsan_fontconfig.supp" \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
fi

fuzz_seconds=${KORVEL_FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" != 0 ]; then
  echo "== fuzz"
  bash scripts/fuzz.sh "$fuzz_seconds"
fi
