#!/usr/bin/env bash
# Plays with one player for a settling time plus one minute and prints one line of figures:
#   name  cpu-seconds-in-the-minute  server-cpu-seconds  peak-rss-kB  whole-run-cpu-seconds
#   still-playing  wakeups  server-wakeups  load  stream...
# The minute is counted from the settling time on, so start-up is not charged to playback; the
# sound server's CPU over the same minute is shown beside it (small writes cost the server too).
# CPU seconds swing with what else the machine runs; the wakeups (voluntary context switches of
# the player's and the server's threads over the minute) hardly do, so they tell whether the work
# itself changed. On a virtual machine that reports no stolen time the CPU seconds of one and the
# same minute can triple, mostly when the machine is otherwise idle (the server's 0.4 s became
# 2.8 s with fewer wakeups than usual), for any player. load is the machine's one-minute load
# average at the end of the minute, stream the player's streams on the sink as the server holds
# them (count, sample format, volume, corked).
# With THREADS_FILE set, each thread's CPU over the minute is appended there as lines of
#   name <tab> thread-label <tab> cpu-seconds <tab> wakeups
# (the window thread is the one whose id is the process id; other threads are labelled by their
# name and, among threads of the same name, their order of creation; threads that ended during
# the minute are counted together as "(ended threads)" when they add up to 0.02 s or more).
# Usage: measure.sh NAME SETTLE_SECONDS MINUTE_SECONDS command...   (inside with_pulse.sh)
set -euo pipefail
name=$1 settle=$2 minute=$3
shift 3
tick=$(getconf CLK_TCK)

# user + system CPU ticks of a whole process (all its threads); the name field may hold spaces.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
# One line per thread: thread-id  cpu-nanoseconds  wakeups  name (the name may hold spaces). The
# time on the CPU comes from schedstat, exact to the nanosecond; stat's 10 ms ticks would hide a
# thread that wakes often for short turns.
thread_times() {
  local task ns woke
  for task in "/proc/$1/task"/*; do
    ns=$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null) || continue
    woke=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status" 2>/dev/null) || continue
    printf '%s %s %s %s\n' "${task##*/}" "$ns" "$woke" "$(cat "$task/comm" 2>/dev/null)"
  done
}
# Wakeups of a whole process over the minute from two thread_times snapshots; a thread that ended
# meanwhile takes its count with it, one that started counts from nothing.
wakeups_between() {
  awk 'FNR == NR { before[$1] = $3; next } { woke += $3 - ($1 in before ? before[$1] : 0) } END { print woke + 0 }' "$1" "$2"
}
# Each thread's CPU seconds between two snapshots, labelled as described above.
thread_report() {
  awk -v n="$name" -v pid="$pid" -v total="$(( player_after - player_before ))" -v t="$tick" '
    FNR == NR { before[$1] = $2; woke_before[$1] = $3; next }
    {
      tid = $1; ns = $2; woke = $3; $1 = ""; $2 = ""; $3 = ""; label = substr($0, 4)
      if (tid == pid) label = label " (window)"
      else if (++seen[label] > 1) label = label " #" seen[label]
      spent = (ns - (tid in before ? before[tid] : 0)) / 1e9
      counted += spent
      printf "%s\t%s\t%.3f\t%d\n", n, label, spent, woke - (tid in woke_before ? woke_before[tid] : 0)
    }
    # The process total (in ticks) also holds threads that ended within the minute.
    END { if (total / t - counted >= 0.02) printf "%s\t%s\t%.3f\t0\n", n, "(ended threads)", total / t - counted }
  ' "$1" <(sort -n "$2")
}
peak_rss_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }
# The only sink is the null sink, so a stream of this process on any sink is on the null sink.
plays_on_sink() { pactl list sink-inputs | grep -q "application.process.id = \"$1\""; }
# The process's streams as the server holds them, e.g. "1 stream: float32le 2ch 44100Hz 100%":
# a second stream, another sample format, a volume off unity or a corked stream shows here.
streams_of() {
  pactl list sink-inputs | awk -v pid="$1" -v RS= '
    index($0, "application.process.id = \"" pid "\"") {
      ++count
      match($0, /Sample Specification: [^\n]*/); spec = substr($0, RSTART + 22, RLENGTH - 22)
      match($0, /Volume: [^\n]*/); split(substr($0, RSTART, RLENGTH), volume, " / "); gsub(/ /, "", volume[2])
      corked = ($0 ~ /Corked: yes/) ? " corked" : ""
      text = text (count > 1 ? "; " : "") spec " " volume[2] corked
    }
    END { printf "%d stream%s: %s\n", count, count == 1 ? "" : "s", text }'
}

"$@" >/dev/null 2>&1 &
pid=$!
server=$(cat "$PULSE_RUNTIME_PATH/pid")
stop_player() {
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
trap stop_player EXIT

sleep "$settle"
if ! plays_on_sink "$pid"; then
  echo "$name: no stream on the null sink after ${settle} s; not measured" >&2
  exit 1
fi
streams=$(streams_of "$pid")
threads=$(mktemp -d)
thread_times "$pid" >"$threads/before"
thread_times "$server" >"$threads/server_before"
player_before=$(cpu_ticks "$pid") server_before=$(cpu_ticks "$server")
sleep "$minute"
player_after=$(cpu_ticks "$pid") server_after=$(cpu_ticks "$server")
thread_times "$pid" >"$threads/after"
thread_times "$server" >"$threads/server_after"
load=$(cut -d' ' -f1 /proc/loadavg)
if [ -n "${THREADS_FILE:-}" ]; then thread_report "$threads/before" "$threads/after" >>"$THREADS_FILE"; fi
player_wakeups=$(wakeups_between "$threads/before" "$threads/after")
server_wakeups=$(wakeups_between "$threads/server_before" "$threads/server_after")
rm -rf "$threads"
still_playing=yes
plays_on_sink "$pid" || still_playing=no
peak=$(peak_rss_kb "$pid")
awk -v n="$name" -v t="$tick" -v a="$player_before" -v b="$player_after" -v sa="$server_before" \
    -v sb="$server_after" -v p="$peak" -v s="$still_playing" -v w="$player_wakeups" -v sw="$server_wakeups" \
    -v l="$load" -v streams="$streams" \
    'BEGIN { printf "%s %.2f %.2f %d %.2f %s %d %d %s %s\n", n, (b - a) / t, (sb - sa) / t, p, b / t, s, w, sw, l, streams }'
