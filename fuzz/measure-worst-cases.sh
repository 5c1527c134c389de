#!/usr/bin/env bash
# Times the most expensive camera moves we know with /usr/bin/time -v on morrow-warp of a
# release build. Usage: fuzz/measure-worst-cases.sh [BUILD] [FILTER]
# TIMEOUT (default 600) stops a move after that many seconds.
# Prints one line per move: elapsed seconds, peak memory, the new grid's size and the messages.
set -uo pipefail
build=${1:-build}
filter=${2:-}
limit=${TIMEOUT:-600} # seconds before a move counts as unbounded
warp="$build/tools/morrow-warp/morrow-warp"
scene="$build/tools/morrow-scene/morrow-scene"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$scene" --preset room -o "$work/room.txt"
"$scene" --preset spheres -o "$work/spheres.txt" 2>/dev/null || cp "$work/room.txt" "$work/spheres.txt"

# A plane seen from the origin (a, b unit steps, the image plane at distance 200) whose
# disparity comes from an awk expression of x and y; the colours are stripes.
plane() { # NAME DISPARITY-EXPR [B0 B1]
  awk -v b0="${3:-0}" -v b1="${4:-1}" 'BEGIN {
    print "-100 100 -100 100 300 500 0 0 0 0 0 0 0 0"; print "0 0 0";
    print "-100 -100 200"; print "1 0 0"; print b0, b1, 0;
    for (y = 0; y < 200; y++) for (x = 0; x < 200; x++)
      printf "%d %d %.17g %d %d %d\n", x, y, '"$2"', (x * 7) % 256, (y * 5) % 256, 128 }' >"$work/$1.txt"
}
plane flat "0.5"
plane huge "((x + y) % 2) ? 1e6 : 0"
plane edges "((int(x / 4) + int(y / 4)) % 2) ? 0.5 : 0.01"
plane skewed "0.5" 200 1
# Depth steps along diagonals (DiagonalStepTokens of the robustness tests): disparity BASE + STEP
# where x - y is a multiple of P, else BASE - STEP where x + y is one of Q, else BASE; by
# default a scene at infinity with steps of +1 and -1.
diagonals() { # NAME P Q [BASE STEP]
  local base=${4:-0} step=${5:-1}
  plane "$1" "((x - y) % $2 == 0) ? $base + $step : (((x + y) % $3 == 0) ? $base - $step : $base)"
}
diagonals diag67 67 71
diagonals diag23 23 29
diagonals diag7 7 11
diagonals diag3 3 3
diagonals near7 7 11 0.5 0.45
diagonals near3 3 3 0.5 0.45

run() { # LABEL FILE MOVE...
  local label=$1 file=$2
  shift 2
  [ -n "$filter" ] && [[ "$label" != *$filter* ]] && return
  local json
  json=$( { /usr/bin/time -v timeout "$limit" "$warp" "$work/$file.txt" "$@" --json -o "$work/out.bmp" 2>"$work/err" ; } )
  local secs rss
  secs=$(grep -oP 'Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): \K.*' "$work/err")
  rss=$(grep -oP 'Maximum resident set size \(kbytes\): \K[0-9]+' "$work/err")
  local size msgs
  size=$(grep -oP '"width": *\d+, *"height": *\d+' <<<"$json" | tr -d ' "' | sed 's/width://; s/,height:/ x /')
  # Each message as its first words and its count: "Too TINY" x 3349026675.
  msgs=$(grep -oP '"messages": *\[\K.*?(?=\])' <<<"$json" |
    grep -oP '"text": "\K[^"]{0,24}[^"]*?", "count": \d+' |
    sed -E 's/^([^"]{0,24})[^"]*", "count": ([0-9]+)/"\1" x \2/' | paste -sd ' ')
  grep -q 'Exit status: 124' "$work/err" && secs="over ${limit}s"
  printf '%-34s %9s  %6d MB  %-11s %s\n' "$label" "$secs" $((rss / 1024)) "$size" "$msgs"
}

printf '%-34s %9s  %9s  %-11s %s\n' "move" "elapsed" "peak" "grid" "messages"
run "room: small free move"           room --free 0 0 0 0.8 2.2 -3
run "room: focus zoom 1e-6"           room --focus 0 0 0 1e-6
run "room: focus zoom 0.05, turned"   room --focus 10 20 0 0.05
run "room: close to the back wall"    room --free 0 0 0 0 2.5 9.95
run "room: close to the floor"        room --free 0 0 0 0.6 0.02 2
run "room: along the old image plane" room --free 0 89.9 0 0.7 2.1 -3.2
run "room: along the plane, moved"    room --free 0 89.99 0 3 2 0
run "spheres: focus zoom 0.02"        spheres --focus 0 0 0 0.02
run "plane: 0.1 in front of it"       flat --free 0 0 0 0 0 399.9
run "plane: edge-on turn"             flat --free 0 90 0 5 0 0
run "huge disparities: free move"     huge --free 0 0 0 10 -5 20
run "huge disparities: focus 0.5"     huge --focus 0 0 0 0.5
run "depth edges, magnified"          edges --free 0 0 0 3 2 19900
run "depth edges, zoom 0.01"          edges --focus 0 0 0 0.01
run "skewed rows (b = 200 a)"         skewed --free 0 0 0 10 -5 20
run "skewed rows, focus 0.9"          skewed --focus 0 0 0 0.9
# The epipole at infinity (W = 0) over depth steps: the recipe of the report, the other three
# quadrants, denser steps, and zooms near 0.
run "diagonals 67/71: infinity -,-"   diag67 --free 0 0 0 -1e101 -1e101 0
run "diagonals 67/71: infinity +,-"   diag67 --free 0 0 0 1e101 -1e101 0
run "diagonals 67/71: infinity -,+"   diag67 --free 0 0 0 -1e101 1e101 0
run "diagonals 67/71: infinity +,+"   diag67 --free 0 0 0 1e101 1e101 0
run "diagonals 23/29: infinity -,-"   diag23 --free 0 0 0 -1e101 -1e101 0
run "diagonals 7/11: infinity -,-"    diag7 --free 0 0 0 -1e101 -1e101 0
run "diagonals 3/3: infinity -,-"     diag3 --free 0 0 0 -1e101 -1e101 0
run "diagonals 67/71: zoom 0.001"     diag67 --focus 0 0 0 0.001
run "diagonals 7/11: zoom 1e-6"       diag7 --focus 0 0 0 1e-6
run "depth edges, zoom 1e-4, turned"  edges --focus 5 -5 0 1e-4
run "near diagonals 7/11: zoom 0.01"  near7 --focus 0 0 0 0.01
run "near diagonals 7/11: zoom 1e-4"  near7 --focus 0 0 0 1e-4
run "near diagonals 3/3: zoom 0.01"   near3 --focus 3 -2 0 0.01
