#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for SECONDS (default 30) on a
# copy of its seed corpus. Exits non-zero on the first crash, leak, hang or memory blow-up and
# prints the reproducer. Usage: tests/fuzz/run.sh [seconds]
set -euo pipefail

seconds=${1:-30}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
corpus_src=$root/tests/fuzz/corpus
targets=(settings_file radio_list cue_sheet http_header http_url pcm_source smf soundfont_check)

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVELO_FUZZ=ON -DTAVELO_MODULES="util;engine;net;files;radio;app" "${launcher[@]}" >/dev/null
nice -n 5 cmake --build "$build" -j2 --target tavelo_fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for target in "${targets[@]}"; do
  mkdir -p "$work/$target/corpus" "$work/$target/findings"
  cp "$corpus_src/$target"/* "$work/$target/corpus/"
  echo "== $target: ${seconds}s"
  if ! (cd "$work/$target/findings" && TMPDIR="$work/$target" "$build/fuzz/${target}_fuzz" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 "$work/$target/corpus" >"$work/$target/log" 2>&1); then
    failed=1
    grep -E "ERROR|SUMMARY|Test unit written|runtime error|ALARM|out-of-memory" "$work/$target/log" | head -20
    for reproducer in "$work/$target/findings"/*; do
      [[ -f $reproducer ]] || continue
      mkdir -p "$build/findings"
      cp "$reproducer" "$build/findings/${target}-$(basename "$reproducer")"
      echo "reproducer: $build/findings/${target}-$(basename "$reproducer") (run: $build/fuzz/${target}_fuzz <file>)"
      base64 -w 76 "$reproducer" | head -40
    done
  else
    grep -E "stat::number_of_executed_units|cov:" "$work/$target/log" | tail -2
  fi
done
exit $failed
