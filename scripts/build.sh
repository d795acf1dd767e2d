#!/usr/bin/env bash
# Configures and builds Quillon into build/ (or $QUILLON_BUILD_DIR). Says what it does on
# stderr: on a terminal ninja's own status line, elsewhere a line at every tenth of the build;
# compiler messages come through whole.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
echo "Configuring in $build" >&2
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QUILLON_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
if [ -t 2 ]; then
  ninja -C "$build" >&2
else
  ninja -C "$build" | awk '
    /^\[[0-9]+\/[0-9]+\] / {
      split(substr($1, 2, length($1) - 2), step, "/")
      tenth = int(step[1] * 10 / step[2])
      if (tenth > shown) { shown = tenth; printf "Building: %d%% (%d of %d steps)\n", tenth * 10, step[1], step[2]; fflush() }
      next
    }
    /^ninja: (Entering directory|no work to do)/ { next }
    { print; fflush() }' >&2
fi
