#!/usr/bin/env bash
# The program's main job on the sample scene.
set -euo pipefail
build=${1:-build}
out="$build/sample"
mkdir -p "$out"
"$build/tools/morrow-scene/morrow-scene" --preset room -o "$out/room.txt"
"$build/tools/morrow-warp/morrow-warp" "$out/room.txt" --source -o "$out/room-source.bmp"
echo "Wrote $out/room-source.bmp"
# With a display, open the viewer on the sample.
if [ -x "$build/morrow" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$build/morrow" --imagedata "$out/room.txt"
fi
