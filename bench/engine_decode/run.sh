#!/usr/bin/env bash
# Decoding speed and playback CPU of the engine, side by side with plain FFmpeg and mpg123.
# Usage: bench/engine_decode/run.sh [build folder]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bench=$build/bin/engine_decode_bench
[ -x "$bench" ] || cmake --build "$build" --target engine_decode_bench
work=${TAVELO_BENCH_DIR:-/tmp/tavelo-bench-engine}
mkdir -p "$work"

# Ten minutes of two independent pink noises (so that neither codec gets an easy ride).
src="anoisesrc=d=600:c=pink:seed=1:a=0.3[l];anoisesrc=d=600:c=pink:seed=2:a=0.3[r];[l][r]amerge=inputs=2"
[ -s "$work/ten.mp3" ] || ffmpeg -v error -y -filter_complex "$src" -ar 44100 -c:a libmp3lame -b:a 192k "$work/ten.mp3"
[ -s "$work/ten.flac" ] || ffmpeg -v error -y -filter_complex "$src" -ar 44100 -sample_fmt s16 -c:a flac "$work/ten.flac"
[ -s "$work/minute.mp3" ] || ffmpeg -v error -y -i "$work/ten.mp3" -t 60 -c copy "$work/minute.mp3"

echo "== Decoding 10 minutes to 16-bit PCM, best of 3 (higher engine/ffmpeg = engine faster)"
"$bench" decode "$work/ten.mp3" "$work/ten.flac"

echo
echo "== Playback CPU: one minute of MP3 on a PulseAudio null sink"
# CPU seconds (user + system) of a whole process, printed under a name.
cat > "$work/measure.sh" <<'MEASURE'
who=$1; shift
TIMEFORMAT="%U %S"
{ time "$@" >/dev/null 2>&1; } 2>&1 | awk -v who="$who" '{printf "%-8s user %6.2f s  system %6.2f s  total %6.2f s\n", who, $1, $2, $1 + $2}'
MEASURE
"$root/tests/e2e/engine/with_pulse.sh" bash -c "
  bash '$work/measure.sh' engine '$bench' play '$work/minute.mp3' 60
  bash '$work/measure.sh' mpg123 mpg123 -q -o pulse -a nullsink '$work/minute.mp3'
"
