#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test (servers are started by the tests themselves).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 600 "$@"
