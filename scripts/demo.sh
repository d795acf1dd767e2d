#!/usr/bin/env bash
# Sets up, builds, and runs quillon-cli on the built-in demo unit: lists both demo trees and
# imports them into a temporary folder. Then, when there is a display, opens the desktop
# program on the demo unit (the script ends when its window is closed); without one, it says
# how to open it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"

demo="$(mktemp -d /tmp/quillon-demo-XXXXXX)"
"$build/tools/quillon-demo-unit" "$demo" >/dev/null
cli="$build/src/cli/quillon-cli"

echo "== quillon-cli list $demo/unit-flat"
"$cli" list "$demo/unit-flat"
echo
echo "== quillon-cli list $demo/unit-folders"
"$cli" list "$demo/unit-folders"
echo
mkdir -p "$demo/imported"
echo "== quillon-cli import $demo/unit-flat $demo/imported"
"$cli" import "$demo/unit-flat" "$demo/imported" --overwrite none
echo
echo "== quillon-cli import $demo/unit-folders $demo/imported --prefix 3"
"$cli" import "$demo/unit-folders" "$demo/imported" --prefix 3 --overwrite none
echo
echo "== files written"
ls -l "$demo/imported"
echo

app="$build/src/app/quillon"
if [ ! -x "$app" ]; then
  echo "The demo unit stays in $demo. (The desktop program was not built: Qt 6 is missing.)"
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== quillon $demo/unit-flat   (close the window to end the demo)"
  "$app" "$demo/unit-flat"
  echo "The demo unit stays in $demo."
else
  echo "There is no display here (DISPLAY and WAYLAND_DISPLAY are empty), so the window is not"
  echo "opened. The demo unit stays in $demo; to see it in the desktop program, run"
  echo "in a desktop session (or over ssh -X):"
  echo
  echo "    $app $demo/unit-flat"
fi
