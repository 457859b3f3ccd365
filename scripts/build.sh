#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR); extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$build" -DMARVOLEN_WERROR=$werror "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
