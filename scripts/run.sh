#!/usr/bin/env bash
# Installs what is needed, builds, and starts Marvolen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ -x build/app/marvolen ]; then
  exec build/app/marvolen "$@"
fi
exec build/cli/marvolen-cli formula C6H12O6
