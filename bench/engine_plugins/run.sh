#!/usr/bin/env bash
# What loading the plug-ins and their first files cost, with the plug-ins of this build beside the
# plug-ins of an earlier commit (by default the last one that loaded FFmpeg and FluidSynth with
# the plug-ins), built in a temporary worktree.
# Usage: bench/engine_plugins/run.sh [build folder] [earlier commit]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
base=${2:-3881500}
cmake --build "$build" --target engine_plugins_bench
work=$(mktemp -d /tmp/tavelo-plugins-base.XXXXXX)
trap 'git -C "$root" worktree remove --force "$work/tree"; rm -rf "$work"' EXIT
git -C "$root" worktree add --detach "$work/tree" "$base" >/dev/null
cmake -S "$work/tree" -B "$work/build" -G Ninja -DTAVELO_MODULES="util;engine" >/dev/null
cmake --build "$work/build" -j2 --target tavelo_plugin_ffmpeg tavelo_plugin_midi >/dev/null
cp -r "$work/build/bin/Plug-ins" "$work/eager"
"$build/bin/engine_plugins_bench" "$work/eager" "$build/bin/Plug-ins"
