#!/usr/bin/env bash
# Runs each fuzz target of a MORROW_FUZZ build for FUZZ_TIME seconds (default 180) on its corpus:
# the inputs found by earlier runs, the seeds made by the project's tools and the committed crash
# regressions. Prints the executions of each target and what it found; fails when a target
# crashed. Crashing and slow inputs are kept under BUILD/fuzz/artifacts/TARGET/.
set -uo pipefail
build=${1:-build-fuzz}
time=${FUZZ_TIME:-180}
src=$(cd "$(dirname "$0")" && pwd)
bin="$build/fuzz"
seeds="$bin/seeds"
status=0

for target in reader move bmp; do
  corpus="$bin/corpus/$target"
  artifacts="$bin/artifacts/$target"
  log="$bin/fuzz-$target.log"
  mkdir -p "$corpus" "$artifacts"
  case $target in
    # A whole warp takes tens of milliseconds under the sanitizers and some inputs take far
    # longer (see the report of slow moves): fork mode records them as timeouts and goes on.
    move) opts=(-fork=1 -ignore_timeouts=1 -ignore_ooms=0 -timeout=10 -rss_limit_mb=4096) ;;
    reader) opts=(-max_len=65536 -timeout=10) ;;
    bmp) opts=(-max_len=16384 -timeout=10) ;;
  esac
  echo "fuzz-$target: running for $time s"
  "$bin/fuzz-$target" "${opts[@]}" -max_total_time="$time" -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds/$target" "$src/regressions/$target" >"$log" 2>&1
  rc=$?
  if [ "$target" = move ]; then
    line=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1)
    execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$line")
    found=$(grep -oE 'oom/timeout/crash: [0-9/]+' <<<"$line")
  else
    execs=$(grep -oE 'Done [0-9]+ runs' "$log" | grep -oE '[0-9]+')
    found="crash: $([ $rc -eq 0 ] && echo 0 || echo 1)"
  fi
  echo "fuzz-$target: ${execs:-?} executions, ${found:-no summary}, exit $rc (log: $log)"
  ls "$artifacts" | sed "s|^|  artifact: $artifacts/|"
  if [ $rc -ne 0 ]; then
    status=1
    grep -E 'ERROR:|SUMMARY:|fuzz check failed' "$log" | head -5
  fi
done
exit $status
