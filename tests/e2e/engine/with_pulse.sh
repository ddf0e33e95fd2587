#!/usr/bin/env bash
# Runs a command beside a private PulseAudio daemon with one null sink ("nullsink", shown as
# "NullSink"), then stops the daemon. Works as root with no display and no sound card.
set -euo pipefail
runtime=$(mktemp -d /tmp/tavelo-pulse-XXXXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime HOME=$runtime PULSE_RUNTIME_PATH=$runtime/pulse
unset PULSE_SERVER
stop() {
  pulseaudio --kill 2>/dev/null || true
  for _ in $(seq 50); do pgrep -u "$(id -u)" -f "pulseaudio.*$runtime" >/dev/null || break; sleep 0.1; done
  rm -rf "$runtime"
}
trap stop EXIT
pulseaudio --daemonize=yes --system=no --exit-idle-time=-1 -n \
  --load="module-null-sink sink_name=nullsink sink_properties=device.description=NullSink" \
  --load=module-native-protocol-unix --load=module-always-sink \
  --log-target=file:"$runtime/pulse.log"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null
"$@"
