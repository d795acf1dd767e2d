#!/usr/bin/env bash
# Sets up, builds, and runs quillon-cli on the built-in demo unit: lists both demo trees and
# imports them into a temporary folder.
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
echo "The demo unit stays in $demo (the desktop program: $build/src/app/quillon)."
