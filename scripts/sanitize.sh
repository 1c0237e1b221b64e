#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (GCC, -DPRAXON_SANITIZE=ON)
# in build-asan/ and runs the whole test suite there. The end-to-end tests start the sanitized
# praxon and praxon-boxsim executables and pass this environment on, so their child processes
# stop at the first finding too. Ends with CTest's summary; any finding fails its test.
#   bash scripts/sanitize.sh [CTEST ARGS...]     e.g. -R TestFaultMatrix
# Takes about twice the normal build and test time; CI runs it after the normal suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ ! -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRAXON_WERROR=ON -DPRAXON_SANITIZE=ON
fi
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true
cd build-asan
ctest --output-on-failure -j2 "$@"
