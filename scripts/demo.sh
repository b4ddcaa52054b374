#!/usr/bin/env bash
# Sets up the machine, builds korvelSC and the korvel tool, and shows a
# bundled example file through the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
./build/korvel examples/amp.s2p
