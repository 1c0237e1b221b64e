#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, checks the core's includes
# and runs every test; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRAXON_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
bash .ci/check-core-includes
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true
cd build
ctest --output-on-failure -j2
