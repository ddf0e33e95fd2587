#!/usr/bin/env bash
# Opening ten minutes of MP3 on the caller's thread: CBR and VBR, with and without the length
# header (a VBR file without one is walked frame by frame for its true length).
# Usage: bench/engine_open/run.sh [build folder]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target engine_open_bench >/dev/null
work=${TAVELO_BENCH_DIR:-/tmp/tavelo-bench-engine}
mkdir -p "$work"

src="anoisesrc=d=600:c=pink:seed=1:a=0.3[l];anoisesrc=d=600:c=pink:seed=2:a=0.3[r];[l][r]amerge=inputs=2"
[ -s "$work/ten.wav" ] || ffmpeg -v error -y -filter_complex "$src" -ar 44100 -c:a pcm_s16le "$work/ten.wav"
[ -s "$work/ten-cbr.mp3" ] || lame --quiet -b 192 "$work/ten.wav" "$work/ten-cbr.mp3"
[ -s "$work/ten-cbr-noheader.mp3" ] || lame --quiet -t -b 192 "$work/ten.wav" "$work/ten-cbr-noheader.mp3"
[ -s "$work/ten-vbr.mp3" ] || lame --quiet -V 2 "$work/ten.wav" "$work/ten-vbr.mp3"
[ -s "$work/ten-vbr-noheader.mp3" ] || lame --quiet -t -V 2 "$work/ten.wav" "$work/ten-vbr-noheader.mp3"

echo "== BASS_StreamCreateFile on ten minutes of MP3 (page cache warm)"
"$build/bin/engine_open_bench" "$work/ten-cbr.mp3" "$work/ten-cbr-noheader.mp3" "$work/ten-vbr.mp3" "$work/ten-vbr-noheader.mp3"
