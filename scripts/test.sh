#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
