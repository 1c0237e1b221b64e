#!/usr/bin/env bash
# Builds the libFuzzer targets and runs one of them for a given time on one process:
#   scripts/fuzz.sh TARGET SECONDS [RUNS]   under AddressSanitizer and UBSan (build-fuzz/), for that
#                                           long or that many executions, whichever ends first
#   scripts/fuzz.sh --fast TARGET SECONDS [RUNS]  under UBSan only (build-fuzz-fast/): several times the
#                                           executions, for the long runs
#   scripts/fuzz.sh --replay TARGET         every input of the corpus once, under AddressSanitizer
#                                           and UBSan: what a --fast run found is checked for
#                                           overflows and use after free
#   scripts/fuzz.sh --list                  the targets: hex, ini, control, devicetable, template, sqtp
# The seed corpus comes from fuzz/corpora.txt (files of tests/data, data/ and samples/),
# fuzz/seeds/TARGET and tests/data/fuzz/TARGET; the working corpus (one for both builds) grows in
# build-fuzz/corpus/TARGET, findings land in build-fuzz/findings/TARGET. The last lines of the
# run's log (build-fuzz/TARGET.log) give the executions, the executions per second and any finding.
# A finding, once fixed, goes into tests/data/fuzz/TARGET/, which TestFuzzCorpora replays.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(hex ini control devicetable template sqtp)
if [ "${1:-}" = "--list" ]; then printf '%s\n' "${targets[@]}"; exit 0; fi
mode=asan
case "${1:-}" in
  --fast) mode=fast; shift ;;
  --replay) mode=replay; shift; set -- "${1:-}" 0 ;;
esac
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 [--fast] TARGET SECONDS [RUNS], $0 --replay TARGET or $0 --list" >&2; exit 2
fi
target=$1 seconds=$2 runs=${3:-}
[[ " ${targets[*]} " == *" $target "* ]] || { echo "unknown target: $target" >&2; exit 2; }

# Needs clang and its runtime libraries (libFuzzer, the sanitizers) from Debian's packages:
# clang and libclang-rt-14-dev, installed here when missing.
need=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

build=build-fuzz sanitizers=address,undefined
[ "$mode" = fast ] && build=build-fuzz-fast sanitizers=undefined
if [ ! -f $build/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRAXON_FUZZ=ON \
    -DPRAXON_FUZZ_SANITIZERS=$sanitizers -DPRAXON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build $build -j2 --target "fuzz_$target"

corpus=build-fuzz/corpus/$target seeds=build-fuzz/seeds/$target findings=build-fuzz/findings/$target
mkdir -p "$corpus" "$seeds" "$findings"
patterns=$(awk -v t="$target" '$1 == t { $1 = ""; print }' fuzz/corpora.txt)
shopt -s nullglob
for f in $patterns fuzz/seeds/"$target"/* tests/data/fuzz/"$target"/*; do
  [ -f "$f" ] && cp "$f" "$seeds/$(echo "$f" | tr '/' '_')"
done
shopt -u nullglob

# Leak checking is off in the fuzzer (ASan's and libFuzzer's own): the shared context keeps strings
# from one input to the next (the history ring, the profile), so libFuzzer would run a leak scan
# after most inputs and spend most of its time there. The sanitizer build of the test suite
# (scripts/sanitize.sh) replays the seeds and regression inputs with leak checking on. Inputs are
# cut at 4 KB: the readers' rules repeat line by line, and the large tables cost many times the
# executions without new paths.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
log=build-fuzz/$target.log
[ "$mode" = replay ] && log=build-fuzz/$target.replay.log
limit=(-max_total_time="$seconds")
[ -n "$runs" ] && limit+=(-runs="$runs")
[ "$mode" = replay ] && limit=(-runs=0)
set +e
$build/fuzz/"fuzz_$target" "$corpus" "$seeds" -dict=fuzz/dict/"$target".dict "${limit[@]}" -detect_leaks=0 \
  -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
status=$?
set -e
grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^(==|SUMMARY|praxon fuzz:)" "$log" || true
[ "$mode" = replay ] && grep -E "INITED|DONE" "$log" | tail -1
ls "$findings"
exit $status
