#!/usr/bin/env bash
# The seven tag fields of 10,000 generated MP3, Ogg and FLAC files: the player's reader beside a
# raw TagLib loop and one `exiftool -fast` run over the same folder.
# Usage: bench/tags_read/run.sh [build folder]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
command -v exiftool >/dev/null || apt-get install -y libimage-exiftool-perl >/dev/null  # exiftool, for comparison only
cmake --build "$build" --target tags_read_bench >/dev/null
work=${TAVELO_BENCH_DIR:-/tmp/tavelo-bench-tags}
mkdir -p "$work/base"
for ext in mp3 ogg flac; do
  [ -s "$work/base/tone.$ext" ] || ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=3" -ar 44100 "$work/base/tone.$ext"
done
if [ "$(ls "$work/files" 2>/dev/null | wc -l)" -ne 10000 ]; then
  rm -rf "$work/files"
  "$build/bin/tags_read_bench" make "$work/files" 10000 "$work/base/tone.mp3" "$work/base/tone.ogg" "$work/base/tone.flac"
fi
sync
"$build/bin/tags_read_bench" read "$work/files"
start=$(date +%s.%N)
exiftool -fast -q -q -s -TrackNumber -Track -Title -Artist -Album -Genre -Year -Date -Comment "$work/files" >/dev/null || true
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "  exiftool -fast       %.2f s   (one run)\n", e - s }'
