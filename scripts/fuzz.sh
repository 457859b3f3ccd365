#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (build-fuzz/) and runs them.
#   scripts/fuzz.sh --smoke              each target for a short fixed number of runs (as CI does)
#   scripts/fuzz.sh [SECONDS] [TARGET]... each target (default: all) for SECONDS (default 300);
#                                         new inputs collect in build-fuzz/fuzz/corpus/TARGET,
#                                         crashes in build-fuzz/fuzz/findings/
set -euo pipefail
cd "$(dirname "$0")/.."
targets_all=(fuzz_formula fuzz_user_element fuzz_cli_args)
# Warnings are the GCC builds' gate; clang's differ and are not made errors here.
CXX=clang++ cmake -S . -B build-fuzz -DMARVOLEN_WERROR=OFF -DMARVOLEN_APP=OFF -DMARVOLEN_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DMARVOLEN_TESTS=OFF -DMARVOLEN_FUZZ=ON -DMARVOLEN_SANITIZE=address,undefined >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets_all[@]}"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

if [ "${1:-}" = "--smoke" ]; then
  ctest --test-dir build-fuzz/fuzz --output-on-failure
  exit
fi

seconds=${1:-300}
shift || true
targets=("$@")
((${#targets[@]})) || targets=("${targets_all[@]}")
mkdir -p build-fuzz/fuzz/findings
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/fuzz/corpus/$t"
  echo "== $t for ${seconds}s"
  "build-fuzz/fuzz/$t" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/fuzz/findings/$t-" "build-fuzz/fuzz/corpus/$t" "fuzz/corpus/$t"
done
