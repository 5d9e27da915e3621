#!/usr/bin/env bash
# Builds Memtally and runs it with the detailed listing on the bundled
# example project.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build
cmake --build build -j "$(nproc)" --target memtally
cd examples/Blink
../../build/memtally -d Blink
