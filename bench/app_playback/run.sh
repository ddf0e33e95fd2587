#!/usr/bin/env bash
# CPU and peak memory of one minute of MP3 playback by the whole player (window, timers, engine)
# under Xvfb, beside Audacious's window version under the same Xvfb and headless mpg123, all
# playing the same file to the same PulseAudio null sink.
# Under the table, Tavelo's CPU and wakeups over the measured minute thread by thread.
# Usage: bench/app_playback/run.sh [--only tavelo|audacious|mpg123] [rounds]
#   (default all three players and 3 rounds; TAVELO_BUILD names another build folder)
# TAVELO_BASELINE names the build folder of an earlier Tavelo (built already, from any checkout),
# which plays as "Baseline" right after Tavelo in every round: both then meet the same load, and
# their wakeups and streams can be compared where CPU seconds are too noisy to tell.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
players="Tavelo Audacious mpg123"
if [ "${1:-}" = --only ]; then
  players=$(tr '[:lower:]' '[:upper:]' <<<"${2:0:1}")${2:1}
  [ "$players" = Mpg123 ] && players=mpg123
  case " Tavelo Audacious mpg123 " in
    *" $players "*) ;;
    *) echo "usage: $0 [--only tavelo|audacious|mpg123] [rounds]" >&2; exit 2 ;;
  esac
  shift 2
fi
rounds=${1:-3}
build="${TAVELO_BUILD:-$root/build}"
baseline="${TAVELO_BASELINE:-}"
if [ -n "$baseline" ] && [[ " $players " == *" Tavelo "* ]]; then
  players=${players/Tavelo/Tavelo Baseline}
  [ -x "$baseline/bin/tavelo" ] || { echo "no player in $baseline/bin" >&2; exit 2; }
fi
wants() { [[ " $players " == *" $1 "* ]]; }
settle=5 minute=60

players_list=()
wants Audacious && players_list=("$root/tools/packages/bench/players.txt")
"$root/tools/install-deps.sh" "${players_list[@]}"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target tavelo tavelo_plugin_ffmpeg tavelo_plugin_midi >/dev/null

work=$(mktemp -d)
xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# Eighty seconds of two independent pink noises at 192 kb/s: no easy ride for the decoder, and
# long enough for the settling time plus the measured minute.
ffmpeg -v error -y -filter_complex \
  "anoisesrc=d=80:c=pink:seed=1:a=0.3[l];anoisesrc=d=80:c=pink:seed=2:a=0.3[r];[l][r]amerge=inputs=2" \
  -ar 44100 -c:a libmp3lame -b:a 192k "$work/music.mp3"

# Each build from an empty program folder of its own, so no earlier settings take part.
program_folder() {
  mkdir -p "$work/$2"
  cp "$1/bin/tavelo" "$work/$2/"
  cp -r "$1/bin/Plug-ins" "$work/$2/"
}
program_folder "$build" tavelo
wants Baseline && program_folder "$baseline" baseline
unset PULSE_SERVER WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/display")"
export DISPLAY QT_QPA_PLATFORM=xcb

echo "One minute of MP3 playback (192 kb/s, 44.1 kHz stereo) on a PulseAudio null sink, measured"
echo "after ${settle} s of settling; windows on Xvfb $DISPLAY; $rounds rounds, players taking turns"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
THREADS_FILE="$work/threads" "$root/tests/e2e/engine/with_pulse.sh" bash -c '
  set -euo pipefail
  measure=$1 settle=$2 minute=$3 rounds=$4 work=$5 players=" $6 "
  for _ in $(seq "$rounds"); do
    if [[ $players == *" Tavelo "* ]]; then
      "$measure" Tavelo "$settle" "$minute" "$work/tavelo/tavelo" "$work/music.mp3"
    fi
    if [[ $players == *" Baseline "* ]]; then
      "$measure" Baseline "$settle" "$minute" "$work/baseline/tavelo" "$work/music.mp3"
    fi
    if [[ $players == *" Audacious "* ]]; then
      # The daemon gives each client its HOME; Audacious keeps its settings there, fresh each run.
      rm -rf "$HOME/.config/audacious"
      THREADS_FILE= "$measure" Audacious "$settle" "$minute" audacious "$work/music.mp3"
    fi
    if [[ $players == *" mpg123 "* ]]; then
      THREADS_FILE= "$measure" mpg123 "$settle" "$minute" mpg123 -q -o pulse -a nullsink "$work/music.mp3"
    fi
  done
' _ "$here/measure.sh" "$settle" "$minute" "$rounds" "$work" "$players" | tee "$work/results" | awk '
  { printf "  %-10s %5.2f s CPU   server %5.2f s   peak RSS %6.1f MB   whole run %5.2f s   still playing: %s\n",
      $1, $2, $3, $4 / 1024, $5, $6
    streams = $0; for (field = 1; field <= 9; field++) sub(/^[^ ]+ /, "", streams)
    printf "  %-10s wakeups %6d   server wakeups %6d   load %s   %s\n", "", $7, $8, $9, streams }'

# The median of each player over the rounds, side by side.
echo
echo "Median per minute of playback:"
printf "  %-10s %10s %12s %12s %12s %14s\n" player "CPU s/min" "server s/min" "peak RSS MB" "wakeups/min" "server wakeups"
median='function median(a, n,   i, j, t) {
  for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}'
for player in $players; do
  awk -v p="$player" "$median"'
    $1 == p { cpu[++n] = $2; server[n] = $3; rss[n] = $4 / 1024; woke[n] = $7; server_woke[n] = $8 }
    END { if (n) printf "  %-10s %10.2f %12.2f %12.1f %12d %14d\n", p, median(cpu, n), median(server, n),
                        median(rss, n), median(woke, n), median(server_woke, n) }' "$work/results"
done | tee "$work/medians"
awk '$1 == "Audacious" { printf "Targets: Tavelo at most half of Audacious'"'"'s CPU, %.2f s per minute here; peak RSS under 40 MB.\n", $2 / 2 }' "$work/medians"

# Each Tavelo build thread by thread: the median CPU and wakeups of each thread over the rounds
# (a thread missing from a round counts 0 there), the busiest first.
for build_name in Tavelo Baseline; do
  if ! wants "$build_name" || [ ! -s "$work/threads" ]; then continue; fi
  echo
  printf "  %-40s %6s %9s\n" "$build_name per thread, median per minute:" "CPU s" wakeups
  awk -F '\t' -v p="$build_name" -v rounds="$(grep -c "^$build_name " "$work/results")" "$median"'
    $1 == p { if (!($2 in index_of)) { index_of[$2] = ++labels; name[labels] = $2 }
              spent[index_of[$2], ++count[$2]] = $3; woke[index_of[$2], count[$2]] = $4 }
    END {
      for (l = 1; l <= labels; l++) {
        for (r = 1; r <= rounds; r++) {
          a[r] = (r <= count[name[l]]) ? spent[l, r] : 0
          w[r] = (r <= count[name[l]]) ? woke[l, r] : 0
        }
        printf "%.3f\t%d\t%s\n", median(a, rounds), median(w, rounds), name[l]
      }
    }' "$work/threads" | sort -t "$(printf '\t')" -k1,1gr | awk -F '\t' '{ printf "    %-38s %6.3f %9d\n", $3, $1, $2 }'
done
