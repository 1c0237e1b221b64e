#!/usr/bin/env bash
# Installs what is needed, builds the program and the programmer box simulator, starts the
# simulator on a loopback port and runs the program against it (as COM1) on the bundled sample
# HEX file for the PIC16F877A. With a display the main window opens; without one the program runs
# headless on Qt's offscreen platform, answers its boxes with their defaults and prints the
# history. Extra arguments are passed on (for example /X for an unattended Auto Run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target praxon praxon-boxsim
work="${PRAXON_WORKDIR:-${TMPDIR:-/tmp}/praxon-sample}"
mkdir -p "$work"
[ -f "$work/BLINK877A.HEX" ] || cp samples/BLINK877A.HEX "$work/"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export PRAXON_AUTO_ANSWER=1
fi
port="${PRAXON_SIM_PORT:-22170}"
./build/bin/praxon-boxsim --listen "127.0.0.1:$port" --dump-dir "$work/sockets" </dev/null >"$work/boxsim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q listening "$work/boxsim.log" 2>/dev/null && break; sleep 0.1; done
export PRAXON_COM1="rfc2217://127.0.0.1:$port"
export PRAXON_SETTINGS_DIR="${PRAXON_SETTINGS_DIR:-$work/settings}"
status=0
./build/bin/praxon "$work/BLINK877A.HEX" /D16F877A "$@" || status=$?
exit $status
