#!/usr/bin/env bash
# Builds and runs tests under the sanitizers, each in its own build folder:
#   asan  the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)
#   tsan  the threading tests - workers, cancel, Part Two, the calculation commands and the
#         start/cancel cycles - with ThreadSanitizer (build-tsan/)
# Usage: scripts/sanitize.sh [asan] [tsan]   (both when none is named). Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)

# -O1 with line tables: a third of the -O2 -g compile time under the sanitizers, still readable
# stack traces, and the tests run fast enough.
configure() {  # folder, sanitizers, further options
  cmake -S . -B "$1" -DMARVOLEN_WERROR=$werror -DMARVOLEN_APP=OFF -DMARVOLEN_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DMARVOLEN_SANITIZE="$2" "${@:3}" >/dev/null
}

run_asan() {
  configure build-asan address,undefined
  cmake --build build-asan -j"$jobs"
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp" \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
}

run_tsan() {
  # Qt's own threads are not instrumented and would be reported falsely; the threading under test
  # is the calculation's, which needs no pictures.
  configure build-tsan thread -DMARVOLEN_PICTURES=OFF
  # Only the suites that run calculations on the worker thread are built and run.
  local targets=(marvolen-cli test_control)
  for dir in tests/cli_* tests/hardening; do
    [ -d "$dir" ] && targets+=("test_$(basename "$dir")")
  done
  cmake --build build-tsan -j"$jobs" --target "${targets[@]}"
  # The kernel's address-space randomisation can collide with the sanitizer's fixed shadow memory
  # on newer kernels; setarch -R turns it off for the tests when it is available.
  local norandom=()
  if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    "${norandom[@]}" ctest --test-dir build-tsan --output-on-failure -j"$jobs" -E '_NOT_BUILT$'
}

stages=("$@")
((${#stages[@]})) || stages=(asan tsan)
for stage in "${stages[@]}"; do
  case "$stage" in
    asan) run_asan ;;
    tsan) run_tsan ;;
    *) echo "sanitize.sh: unknown stage '$stage' (asan or tsan)" >&2; exit 2 ;;
  esac
done
