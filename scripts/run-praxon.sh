#!/usr/bin/env bash
# Installs what is needed, builds the program and the programmer box simulator, starts the
# simulator on a free loopback port and runs the program against it (as COM1) on the bundled
# sample HEX file for the PIC16F877A, in a work folder of its own. With a display the main window
# opens; without one the program runs headless on Qt's offscreen platform, answers its boxes with
# their defaults and prints the history. Extra arguments are passed on (for example /X for an
# unattended Auto Run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source scripts/configure.sh
cmake --build build -j"$(nproc)" --target praxon praxon-boxsim

# A folder of this run's own (or the one named by PRAXON_WORKDIR): nobody else's run shares it.
if [ -n "${PRAXON_WORKDIR:-}" ]; then
  work="$PRAXON_WORKDIR"
  mkdir -p "$work"
else
  work="$(mktemp -d "${TMPDIR:-/tmp}/praxon-sample.XXXXXX")"
fi
# The HEX file with its control file, so the first start opens on the file's own options.
for f in BLINK877A.HEX BLINK877A.PXC; do
  [ -f "$work/$f" ] || cp samples/$f "$work/"
done
echo "praxon: work folder $work"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export PRAXON_AUTO_ANSWER=1
fi

# Port 0 lets the simulator take a free port; it prints the URL it listens on. A port given in
# PRAXON_SIM_PORT that is taken makes the simulator fail, and the run stops here.
simlog="$work/boxsim.log"
./build/bin/praxon-boxsim --listen "127.0.0.1:${PRAXON_SIM_PORT:-0}" --dump-dir "$work/sockets" \
  </dev/null >"$simlog" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
url=""
for _ in $(seq 100); do
  url="$(grep -o 'rfc2217://127\.0\.0\.1:[0-9]*' "$simlog" 2>/dev/null | head -n1 || true)"
  [ -n "$url" ] && break
  kill -0 $sim 2>/dev/null || break
  sleep 0.1
done
if [ -z "$url" ]; then
  echo "praxon: the programmer box simulator did not start listening:" >&2
  cat "$simlog" >&2
  exit 2
fi
echo "praxon: simulator on $url"

export PRAXON_COM1="$url"
export PRAXON_SETTINGS_DIR="${PRAXON_SETTINGS_DIR:-$work/settings}"
status=0
./build/bin/praxon "$work/BLINK877A.HEX" "$@" || status=$?
exit $status
