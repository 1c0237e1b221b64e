#!/usr/bin/env bash
# Takes screenshots of the main window under a virtual X server (Xvfb): the full view, the compact
# view, all four sockets ready in gang mode, and the window after an Auto Run of the sample file
# against the programmer box simulator with a bad cell in socket C (so A, B and D pass and C
# fails), with the information window. The pictures go to the folder given as the first argument
# (it must lie outside the repository), or to a fresh folder under /tmp, printed at the end.
# Needs the build (build/bin/praxon and build/bin/praxon-boxsim), xvfb-run, and for the extra
# whole-screen picture xwd and netpbm (xwdtopnm, pnmtopng).
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd -P)"

out="${1:-$(mktemp -d "${TMPDIR:-/tmp}/praxon-screenshots.XXXXXX")}"
mkdir -p "$out"
out="$(cd "$out" && pwd -P)"
case "$out/" in
  "$repo"/*) echo "screenshots: $out is inside the repository; name a folder outside it" >&2; exit 2 ;;
esac

for tool in build/bin/praxon build/bin/praxon-boxsim; do
  [ -x "$tool" ] || { echo "screenshots: $tool is missing; build the targets praxon and praxon-boxsim" >&2; exit 2; }
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run is not installed" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/praxon-screenshots-work.XXXXXX")"
cp samples/BLINK877A.HEX samples/BLINK877A.PXC "$work/"

simlog="$work/boxsim.log"
./build/bin/praxon-boxsim --listen 127.0.0.1:0 --bad-cell C:0x3 </dev/null >"$simlog" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
url=""
for _ in $(seq 100); do
  url="$(grep -o 'rfc2217://127\.0\.0\.1:[0-9]*' "$simlog" 2>/dev/null | head -n1 || true)"
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "screenshots: the simulator did not start:" >&2; cat "$simlog" >&2; exit 2; }

# The program saves its own pictures (PRAXON_SCREENSHOT_DIR) and ends when its tour is over; a
# whole-screen picture is taken from the X server meanwhile, as a check of what X itself shows.
cat >"$work/run.sh" <<INNER
#!/usr/bin/env bash
set -u
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export PRAXON_COM1="$url" PRAXON_SETTINGS_DIR="$work/settings" PRAXON_AUTO_ANSWER=1
export PRAXON_SCREENSHOT_DIR="$out"
"$repo/build/bin/praxon" "$work/BLINK877A.HEX" >"$work/praxon.log" 2>&1 &
app=\$!
sleep 3
if command -v xwd >/dev/null && command -v xwdtopnm >/dev/null && command -v pnmtopng >/dev/null; then
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$out/screen-full-view.png" 2>/dev/null || true
fi
wait \$app
INNER
chmod +x "$work/run.sh"
status=0
xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$work/run.sh" || status=$?
grep '^praxon: screenshot' "$work/praxon.log" || true
echo "screenshots: $out"
exit $status
