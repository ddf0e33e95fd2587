#!/usr/bin/env bash
# Configures and builds with Ninja on every core: tools/build.sh [build folder] [cmake options...]
# (default build/; a relative folder is taken from the checkout's top).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
[ $# -gt 0 ] && shift
[[ $build == /* ]] || build="$root/$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
