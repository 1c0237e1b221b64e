#!/usr/bin/env bash
# Checks that every C++ file of the tree is formatted as the repository's .clang-format says,
# with Debian 12's clang-format (version 14: other versions format some constructs differently).
# Lists the files that differ and exits non-zero when there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
format=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    format="$candidate"
    break
  fi
done
if [ -z "$format" ]; then
  echo "format check: clang-format version 14 is needed (Debian 12's clang-format package)" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/')
else
  mapfile -t files < <(find src sim tests bench tools -name '*.cpp' -o -name '*.h' 2>/dev/null)
fi
differ=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || differ+=("$f")
done
if [ ${#differ[@]} -gt 0 ]; then
  echo "format check: these files differ from clang-format's layout (run clang-format -i on them):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "format check: ${#files[@]} files formatted"
