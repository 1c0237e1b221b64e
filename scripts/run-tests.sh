#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors (the same build as
# run-praxon.sh), checks the core's includes and the formatting of the tree, and runs every test;
# ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source scripts/configure.sh
cmake --build build -j"$(nproc)"
bash .ci/check-core-includes
bash scripts/check-format.sh
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true
cd build
ctest --output-on-failure -j2
