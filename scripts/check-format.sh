#!/usr/bin/env bash
# Checks that every tracked C++ source (*.cpp, *.h) is formatted as the repository's
# .clang-format says: clang-format --dry-run --Werror, which prints each difference and fails on
# the first file with one. CTest runs it (the format_check test), so `make test` and CI do.
#
# To format a file: clang-format -i FILE (clang-format 14, as scripts/install-deps.sh installs).
#
# scripts/format-pending.txt lists, one path a line, files that are not formatted yet because
# their owners are rewriting them; they are skipped. Format a file and remove its line.
set -euo pipefail
cd "$(dirname "$0")/.."

CLANG_FORMAT=${CLANG_FORMAT:-}
if [ -z "$CLANG_FORMAT" ]; then
  for candidate in clang-format clang-format-14; do
    if command -v "$candidate" >/dev/null 2>&1; then
      CLANG_FORMAT=$candidate
      break
    fi
  done
fi
if [ -z "$CLANG_FORMAT" ]; then
  echo "check-format: clang-format not found (run scripts/install-deps.sh)" >&2
  exit 1
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  # Not a checkout (a source archive): every source under the project's folders.
  mapfile -t files < <(find src tools tests fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
fi

pending=()
if [ -f scripts/format-pending.txt ]; then
  mapfile -t pending < <(grep -v -e '^#' -e '^[[:space:]]*$' scripts/format-pending.txt)
fi

checked=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue # deleted in the work tree, not yet in the index
  skip=0
  for p in "${pending[@]}"; do
    if [ "$f" = "$p" ]; then
      skip=1
      break
    fi
  done
  [ $skip -eq 1 ] || checked+=("$f")
done

for p in "${pending[@]}"; do
  if [ ! -f "$p" ]; then
    echo "check-format: note: $p (format-pending.txt) no longer exists; remove its line"
  elif "$CLANG_FORMAT" --dry-run --Werror "$p" >/dev/null 2>&1; then
    echo "check-format: note: $p is formatted now; remove its line from format-pending.txt"
  fi
done

if [ ${#checked[@]} -eq 0 ]; then
  echo "check-format: no C++ sources found" >&2
  exit 1
fi
"$CLANG_FORMAT" --dry-run --Werror "${checked[@]}"
echo "check-format: ${#checked[@]} files formatted as .clang-format says (${#pending[@]} pending)"
