#!/usr/bin/env bash
# Sets up the machine, builds korvelSC, the stand-in host and the korvel
# tool (nothing of the tests or benchmarks, so a first run is quick), and
# shows a bundled example file through the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target korvel korvelSC korvelhost
./build/korvel examples/amp.s2p
