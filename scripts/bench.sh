#!/usr/bin/env bash
# Builds korvelSC in Release mode twice, on both cores and on one
# (-DKORVEL_SERIAL=ON), and runs the open benchmark against its floors and
# scikit-rf, printing the markdown tables of medians and ratios.
#   scripts/bench.sh [BUILD_DIR] [run_bench.py options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
shift || true
KORVEL_WITH_PEER=1 bash scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake -S . -B "$build-serial" -DCMAKE_BUILD_TYPE=Release -DKORVEL_SERIAL=ON >/dev/null
for folder in "$build" "$build-serial"; do
  cmake --build "$folder" -j2 --target open_bench calc_bench korvelSC korvel
done
python3 bench/run_bench.py --build "$build" --serial-build "$build-serial" "$@"
