#!/usr/bin/env bash
# Builds the Debian package with cpack, installs it with dpkg -i, checks what it installed, runs
# the installed praxon headless against the installed praxon-boxsim on the sample file (an
# unattended Auto Run that must program the part in socket A), and removes the package again,
# also when a check fails. Needs root (or sudo) for dpkg; run after the build (run-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source scripts/configure.sh
cmake --build build -j"$(nproc)" --target praxon praxon-boxsim praxon_man_pages

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# A praxon package that this script did not install is somebody's installation: leave it alone.
if dpkg-query -W -f='${Status}' praxon 2>/dev/null | grep -q "install ok installed"; then
  echo "check-package: a praxon package is already installed; remove it first (dpkg -r praxon)" >&2
  exit 2
fi

rm -f build/praxon_*.deb
(cd build && cpack -G DEB >/dev/null)
deb="$(ls build/praxon_*.deb)"
echo "check-package: built $deb"

work="$(mktemp -d "${TMPDIR:-/tmp}/praxon-package.XXXXXX")"
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  $sudo dpkg -r praxon >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

$sudo dpkg -i "$deb" >/dev/null
echo "check-package: installed"

fail() { echo "check-package: $*" >&2; exit 1; }

# What the package holds: both programs on the PATH, beside their support files in one directory.
[ "$(command -v praxon)" = /usr/bin/praxon ] || fail "praxon is not on the PATH"
[ "$(command -v praxon-boxsim)" = /usr/bin/praxon-boxsim ] || fail "praxon-boxsim is not on the PATH"
for f in praxon praxon-boxsim PXMCU.TBL praxon-manual.html; do
  [ -e "/usr/lib/praxon/$f" ] || fail "/usr/lib/praxon/$f is missing"
done
for f in /usr/share/applications/praxon.desktop /usr/share/icons/hicolor/scalable/apps/praxon.svg \
         /usr/share/man/man1/praxon.1.gz /usr/share/man/man1/praxon-boxsim.1.gz \
         /usr/share/doc/praxon/praxon-manual.html; do
  [ -e "$f" ] || fail "$f is missing"
done
grep -q '^Exec=praxon' /usr/share/applications/praxon.desktop || fail "the desktop entry does not start praxon"
if command -v groff >/dev/null; then
  warnings="$(zcat /usr/share/man/man1/praxon.1.gz | groff -man -ww -z 2>&1)"
  [ -z "$warnings" ] || fail "the man page has warnings: $warnings"
fi
[ "$(praxon --version)" = "praxon $(sed -n 's/^project(Praxon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ] ||
  fail "praxon --version says $(praxon --version)"
praxon --help | grep -q '^Usage: praxon' || fail "praxon --help prints no usage"

# An unattended Auto Run of the sample file against the installed simulator.
cp samples/BLINK877A.HEX samples/BLINK877A.PXC "$work/"
praxon-boxsim --listen 127.0.0.1:0 --dump-dir "$work/sockets" </dev/null >"$work/boxsim.log" 2>&1 &
sim=$!
url=""
for _ in $(seq 100); do
  url="$(grep -o 'rfc2217://127\.0\.0\.1:[0-9]*' "$work/boxsim.log" 2>/dev/null | head -n1 || true)"
  [ -n "$url" ] && break
  kill -0 "$sim" 2>/dev/null || break
  sleep 0.1
done
[ -n "$url" ] || { cat "$work/boxsim.log" >&2; fail "the installed simulator did not start"; }

status=0
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY PRAXON_COM1="$url" PRAXON_SETTINGS_DIR="$work/settings" \
  praxon BLINK877A.HEX /X >run.out 2>run.err) || status=$?
kill "$sim"
wait "$sim" 2>/dev/null || true
sim=""
if [ "$status" -ne 0 ]; then
  cat "$work/run.out" "$work/run.err" >&2
  fail "the installed praxon ended with status $status"
fi
grep -q 'Device A: OK' "$work/run.out" || { cat "$work/run.out" >&2; fail "no 'Device A: OK' in the history"; }

# The simulated chip in socket A holds the sample's program words.
python3 - "$work/BLINK877A.HEX" "$work/sockets/socketA.hex" <<'PY' || fail "socket A does not hold the sample's code"
import sys

def words(path):
    memory, base = {}, 0
    for line in open(path):
        line = line.strip()
        if not line.startswith(':'):
            continue
        raw = bytes.fromhex(line[1:])
        count, address, kind, data = raw[0], (raw[1] << 8) | raw[2], raw[3], raw[4:4 + raw[0]]
        if kind == 4:
            base = ((data[0] << 8) | data[1]) << 16
        elif kind == 0:
            for i in range(count):
                memory[base + address + i] = data[i]
    return memory

want, have = words(sys.argv[1]), words(sys.argv[2])
code = {a: v for a, v in want.items() if a < 0x4000}  # program memory, byte addresses
missing = [a for a, v in code.items() if have.get(a) != v]
if not code or missing:
    print("socket A differs at byte addresses", [hex(a) for a in missing[:8]], file=sys.stderr)
    sys.exit(1)
print(f"check-package: socket A holds the sample's {len(code) // 2} program words")
PY

$sudo dpkg -r praxon >/dev/null
[ ! -e /usr/bin/praxon ] && [ ! -e /usr/lib/praxon ] || fail "removing the package left files behind"
echo "check-package: removed; all checks passed"
