#!/usr/bin/env bash
# Builds korvelSC in Release mode and runs the open benchmark against its two
# floors and scikit-rf, printing the markdown table of medians and ratios.
#   scripts/bench.sh [BUILD_DIR] [run_bench.py options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
shift || true
KORVEL_WITH_PEER=1 bash scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target open_bench calc_bench korvelSC
python3 bench/run_bench.py --build "$build" "$@"
