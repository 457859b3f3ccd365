#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build first, then the whole
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, the threading tests under
# ThreadSanitizer, and a short run of each fuzz target. `scripts/test.sh --plain` stops after the
# plain run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
start=$SECONDS
stage() { echo "== $((SECONDS - start)) s: $1"; }

bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
[ "${1:-}" = "--plain" ] && exit 0

stage "address and undefined-behaviour sanitizers"
bash scripts/sanitize.sh asan
stage "thread sanitizer"
bash scripts/sanitize.sh tsan
stage "fuzz smoke runs"
bash scripts/fuzz.sh --smoke
