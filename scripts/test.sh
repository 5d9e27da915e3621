#!/usr/bin/env bash
# Builds Memtally and runs every test. Installs, besides the build tools,
# python3-jsonschema and graphviz, which the tests of the JSON and DOT
# documents use; with them installed those tests must run, not skip.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh python3-jsonschema graphviz
cmake -S . -B build
cmake --build build -j "$(nproc)"
MEMTALLY_REQUIRE_DOCUMENT_TOOLS=1 \
  ctest --test-dir build --output-on-failure -j "$(nproc)"
