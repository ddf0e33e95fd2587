#!/usr/bin/env bash
# Start-up to a shown window under Xvfb: Tavelo beside Audacious, an empty Qt window, and that
# empty window also loading the FFmpeg libraries (what linking the decoders costs at every start).
# Usage: bench/app_startup/run.sh [runs]   (default 15; TAVELO_BUILD names another build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${1:-15}
build="${TAVELO_BUILD:-$root/build}"

"$root/tools/install-deps.sh" "$root/tools/packages/bench/players.txt"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target tavelo app_startup_bench app_startup_bare_window app_startup_bare_window_ffmpeg

work=$(mktemp -d)
xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# Each player in a clean setting of its own: a fresh program folder, home and runtime folder.
mkdir -p "$work/tavelo" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/tavelo" "$work/tavelo/"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
unset PULSE_SERVER WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

echo "Start-up to a mapped main window on Xvfb $DISPLAY, $runs runs each after one warm-up, no sound server"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
"$build/bin/app_startup_bench" "$runs" \
  Tavelo TFormMyTavelo "$work/tavelo/tavelo" -- \
  Audacious audacious audacious -- \
  "Bare Qt" BareQtWindow "$build/bin/app_startup_bare_window" -- \
  "Qt+FFmpeg" BareQtWindow "$build/bin/app_startup_bare_window_ffmpeg"
