#!/usr/bin/env bash
# Installs what the tests need, then runs every stage of CI and fails when any stage fails:
#   tests     the normal build (build/), every test
#   asan      build-asan/ under AddressSanitizer and UBSan, every test
#   tsan      build-tsan/ (util and engine only) under ThreadSanitizer, those tests
#   fuzz      each fuzz target for 30 s on its seed corpus (tests/fuzz/run.sh, when present)
# Arguments go to every ctest run (./test.sh -R engine). TAVELO_STAGES picks stages
# (TAVELO_STAGES="tests tsan"); servers are started by the tests themselves.
set -uo pipefail
root=$(cd "$(dirname "$0")" && pwd)
ctest_args=("$@")
stages=${TAVELO_STAGES:-tests asan tsan fuzz}
supp="$root/tests/sanitizer"

# Builds into a folder and runs its tests there; the remaining arguments are cmake options.
build_and_test() {
  local build=$1; shift
  "$root/tools/build.sh" "$build" "$@" || return
  (cd "$root/$build" && ctest --output-on-failure --timeout 600 "${ctest_args[@]}")
}

stage_tests() {
  build_and_test build -DTAVELO_SANITIZE=
}

stage_asan() {
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$supp/lsan.supp" \
    build_and_test build-asan -DTAVELO_SANITIZE=address,undefined
}

stage_tsan() {
  TSAN_OPTIONS="halt_on_error=1:suppressions=$supp/tsan.supp" \
    build_and_test build-tsan -DTAVELO_SANITIZE=thread "-DTAVELO_MODULES=util;engine"
}

stage_fuzz() {
  if [ ! -f "$root/tests/fuzz/run.sh" ]; then
    echo "no tests/fuzz/run.sh: nothing to fuzz"
    return 0
  fi
  bash "$root/tests/fuzz/run.sh" 30
}

"$root/tools/install-deps.sh" || exit

summary=()
failed=0
for stage in $stages; do
  if ! declare -F "stage_$stage" >/dev/null; then
    echo "test.sh: unknown stage '$stage' (tests, asan, tsan, fuzz)" >&2
    exit 2
  fi
  echo
  echo "======== $stage ========"
  started=$SECONDS
  if "stage_$stage"; then result=passed; else result=FAILED; failed=1; fi
  summary+=("$(printf '  %-6s %-7s %4d min %02d s' "$stage" "$result" $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)))")
  echo "======== $stage: $result ========"
done

echo
echo "Stages:"
printf '%s\n' "${summary[@]}"
exit $failed
