#!/usr/bin/env bash
# The engine's CD side beside libcdio's own tools, on the same images (written by the benchmark):
#   1. a 10-minute track: a decode-only CD stream beside `cd-paranoia -d long.cue 1` (full checks)
#      and with -Z (none); target: the stream at 0.9x cd-paranoia's speed or better;
#   2. a 20-track image: AddImage + GetTracks + lengths + GetID beside `cd-info` on it (whole process).
# Usage: bench/cd/run.sh [rounds]   (default 5; TAVELO_BUILD names another build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
rounds=${1:-5}
build="${TAVELO_BUILD:-$root/build}"

"$root/tools/install-deps.sh" "$root/tools/packages/bench/cd.txt"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target cd_engine_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "== Tavelo's engine"
"$build/bin/cd_engine_bench" "$work" "$rounds"

# Best wall time of the rounds, in ms, of a command run from the images' folder.
best_ms() {
  local best=
  for _ in $(seq "$rounds"); do
    local start end ms
    start=$(date +%s%N)
    (cd "$work" && "$@" >/dev/null 2>&1)
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

echo "== libcdio's tools, best of $rounds"
echo "cd-paranoia -d long.cue 1 (full paranoia): $(best_ms cd-paranoia -d long.cue 1 "$work/out.wav") ms"
echo "cd-paranoia -Z -d long.cue 1 (no checks):  $(best_ms cd-paranoia -Z -d long.cue 1 "$work/out.wav") ms"
echo "cd-info twenty.cue (whole process):        $(best_ms cd-info --no-header --no-device-info --cue-file twenty.cue) ms"
