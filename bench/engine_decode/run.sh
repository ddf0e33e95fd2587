#!/usr/bin/env bash
# Decoding speed of the engine beside the raw libraries, then playback CPU and peak memory of the
# engine alone beside mpg123, both playing one minute of MP3 to a PulseAudio null sink.
# Usage: bench/engine_decode/run.sh [build folder]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target engine_decode_bench engine_play_bench >/dev/null
work=${TAVELO_BENCH_DIR:-/tmp/tavelo-bench-engine}
mkdir -p "$work"

# Ten minutes of two independent pink noises (so that neither codec gets an easy ride).
src="anoisesrc=d=600:c=pink:seed=1:a=0.3[l];anoisesrc=d=600:c=pink:seed=2:a=0.3[r];[l][r]amerge=inputs=2"
[ -s "$work/ten.mp3" ] || ffmpeg -v error -y -filter_complex "$src" -ar 44100 -c:a libmp3lame -b:a 192k "$work/ten.mp3"
[ -s "$work/ten.flac" ] || ffmpeg -v error -y -filter_complex "$src" -ar 44100 -sample_fmt s16 -c:a flac "$work/ten.flac"
[ -s "$work/minute.mp3" ] || ffmpeg -v error -y -i "$work/ten.mp3" -t 60 -c copy "$work/minute.mp3"
[ -s "$work/minute48k.ogg" ] || ffmpeg -v error -y -i "$work/minute.mp3" -ar 48000 -c:a libvorbis -q:a 5 "$work/minute48k.ogg"

echo "== Decoding 10 minutes to 16-bit PCM, best of 3 (engine/raw above 1 = engine faster)"
"$build/bin/engine_decode_bench" "$work/ten.mp3" "$work/ten.flac"

echo
echo "== Playing one minute on a PulseAudio null sink: CPU (user + system) and peak resident memory"
cat > "$work/measure.sh" <<'MEASURE'
who=$1; shift
/usr/bin/time -f "%U %S %M" -o "$TIME_OUT" "$@" >/dev/null 2>&1
awk -v who="$who" '{printf "%-26s user %6.2f s  system %6.2f s  total %6.2f s  peak %6.1f MB\n", who, $1, $2, $1 + $2, $3 / 1024}' "$TIME_OUT"
MEASURE
TIME_OUT="$work/time.txt" "$root/tests/e2e/engine/with_pulse.sh" bash -c "
  bash '$work/measure.sh' 'engine, MP3' '$build/bin/engine_play_bench' '$work/minute.mp3' 60
  bash '$work/measure.sh' 'mpg123, MP3' mpg123 -q -o pulse -a nullsink '$work/minute.mp3'
  bash '$work/measure.sh' 'engine, Vorbis 48 kHz' '$build/bin/engine_play_bench' '$work/minute48k.ogg' 60
"
