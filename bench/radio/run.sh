#!/usr/bin/env bash
# Net radio on a loopback icecast2 station (the tests' icecast fixture, MP3 at 128 kb/s):
#   1. click to first sound: Tavelo's engine from BASS_StreamCreateURL, mpv and ffplay from their
#      start, each heard at the same real-time pipe sink (target: Tavelo no later than mpv);
#   2. CPU per minute of the station: Tavelo's engine beside mpg123, same URL, same null sink
#      (target: Tavelo at most 0.5 s per minute).
# Usage: bench/radio/run.sh [first-sound rounds] [CPU rounds]   (default 7 and 3; TAVELO_BUILD
#   names another build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
sound_rounds=${1:-7} cpu_rounds=${2:-3}
build="${TAVELO_BUILD:-$root/build}"
settle=5 minute=60

"$root/tools/install-deps.sh" "$root/tools/packages/bench/radio.txt"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target radio_bench >/dev/null

work=$(mktemp -d)
fixture_pid=
cleanup() {
  exec 3>&-  # the fixture stops when its input closes
  [ -n "$fixture_pid" ] && wait "$fixture_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
exec 3> >(exec python3 "$root/tests/e2e/radio/icecast_fixture.py" >"$work/fixture")
fixture_pid=$!
for _ in $(seq 600); do [ -s "$work/fixture" ] && break; sleep 0.1; done
port=$(sed -n 's/^ICECAST port=\([0-9]*\) .*/\1/p' "$work/fixture")
[ -n "$port" ] || { echo "the icecast fixture did not start" >&2; exit 1; }
url="http://127.0.0.1:$port/radio.mp3"
unset PULSE_SERVER WAYLAND_DISPLAY DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS

echo "Station: $url (icecast2 on loopback, MP3 128 kb/s 44.1 kHz stereo, ezstream source)"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "== Click to first sound at a real-time pipe sink, $sound_rounds rounds, players taking turns"
"$root/tests/e2e/engine/with_pulse.sh" bash -c '
  set -euo pipefail
  module=$(pactl load-module module-pipe-sink sink_name=pipesink file="$2" format=s16le rate=44100 channels=2 \
    use_system_clock_for_timing=yes)
  "$1" first-sound "$3" "$2" "$4"
  pactl unload-module "$module"
' _ "$build/bin/radio_bench" "$work/sink.fifo" "$url" "$sound_rounds"

echo
echo "== CPU over one minute of the station after ${settle} s of settling, null sink, $cpu_rounds rounds"
"$root/tests/e2e/engine/with_pulse.sh" bash -c '
  set -euo pipefail
  measure=$1 settle=$2 minute=$3 rounds=$4 bench=$5 url=$6
  for _ in $(seq "$rounds"); do
    "$measure" Tavelo "$settle" "$minute" "$bench" play "$url" || true
    "$measure" mpg123 "$settle" "$minute" mpg123 -q -o pulse "$url" || true
  done
' _ "$root/bench/app_playback/measure.sh" "$settle" "$minute" "$cpu_rounds" "$build/bin/radio_bench" "$url" |
  tee "$work/results" | awk '
  { printf "  %-8s %5.2f s CPU   server %5.2f s   peak RSS %6.1f MB   still playing: %s\n", $1, $2, $3, $4 / 1024, $6 }'
echo
echo "Median per minute of the station:"
printf "  %-8s %10s %12s %12s\n" player "CPU s/min" "server s/min" "peak RSS MB"
for player in Tavelo mpg123; do
  awk -v p="$player" '
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    $1 == p { cpu[++n] = $2; server[n] = $3; rss[n] = $4 / 1024 }
    END { if (n) printf "  %-8s %10.2f %12.2f %12.1f\n", p, median(cpu, n), median(server, n), median(rss, n) }' "$work/results"
done | tee "$work/medians"
awk '$1 == "Tavelo" { printf "Target: at most 0.50 s CPU per minute: %s\n", $2 <= 0.5 ? "met" : "NOT met" }' "$work/medians"
