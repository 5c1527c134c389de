#!/usr/bin/env bash
# The program's main job on the sample scene: make the sample data file, write its source image
# and one free and one focus move (each next to the ray-cast truth of the moved camera) as BMPs,
# then open the viewer on the sample.
set -euo pipefail
build=${1:-build}
out="$build/sample"
scene="$build/tools/morrow-scene/morrow-scene"
warp="$build/tools/morrow-warp/morrow-warp"
mkdir -p "$out"

"$scene" --preset room -o "$out/room.txt"
"$warp" "$out/room.txt" --source -o "$out/room-source.bmp"

free=(--free 0 3 0 0.9 2.3 -3.1)
focus=(--focus 0 10 0 0.8)
"$warp" "$out/room.txt" "${free[@]}" -o "$out/room-free.bmp"
"$scene" --preset room "${free[@]}" -o "$out/room-free-truth.bmp"
"$warp" "$out/room.txt" "${focus[@]}" -o "$out/room-focus.bmp"
"$scene" --preset room "${focus[@]}" -o "$out/room-focus-truth.bmp"
echo "Sample images are in $out/ (source, free and focus moves, and the ray-cast truth of each)"

viewer="$build/src/morrow"
if [ ! -x "$viewer" ]; then
  echo "The viewer was not built (Qt 6 missing?); see the images above."
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: not opening the viewer. On a desktop: $viewer --imagedata $out/room.txt"
  exit 0
fi
exec "$viewer" --imagedata "$out/room.txt"
