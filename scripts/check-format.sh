#!/usr/bin/env bash
# Checks that every tracked C++ source (*.cpp, *.h) is formatted as the repository's
# .clang-format says: clang-format --dry-run --Werror, which prints each difference and fails on
# the first file with one. CTest runs it (the format_check test), so `make test` and CI do.
#
# To format a file: clang-format -i FILE (clang-format 14, as scripts/install-deps.sh installs).
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

checked=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue # deleted in the work tree, not yet in the index
  checked+=("$f")
done

if [ ${#checked[@]} -eq 0 ]; then
  echo "check-format: no C++ sources found" >&2
  exit 1
fi
"$CLANG_FORMAT" --dry-run --Werror "${checked[@]}"
echo "check-format: ${#checked[@]} files formatted as .clang-format says"
