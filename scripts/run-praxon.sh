#!/usr/bin/env bash
# Installs what is needed, builds the program and runs it on the bundled sample HEX file for the
# PIC16F877A. With a display the main window opens; without one the program runs headless on
# Qt's offscreen platform, answers its boxes with their defaults and prints the history.
# Extra arguments are passed on (for example /X for an unattended Auto Run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target praxon
work="${PRAXON_WORKDIR:-${TMPDIR:-/tmp}/praxon-sample}"
mkdir -p "$work"
[ -f "$work/BLINK877A.HEX" ] || cp samples/BLINK877A.HEX "$work/"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export PRAXON_AUTO_ANSWER=1
fi
exec ./build/bin/praxon "$work/BLINK877A.HEX" /D16F877A "$@"
