#!/usr/bin/env bash
# Sets up, builds, and makes the Debian package in build/package/ (or $QUILLON_BUILD_DIR/package);
# the last line printed is its path. With --check, also checks it as a Debian maintainer
# would: lintian (no errors, no warnings), appstreamcli validate on its metainfo and
# desktop-file-validate on its desktop entry (no errors, no warnings either).
#   scripts/package.sh [--check]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac
"$here/scripts/setup.sh"
echo "Building in $build" >&2
"$here/scripts/build.sh"

out="$build/package"
mkdir -p "$out"
rm -f "$out"/quillon_*.deb
echo "Making the Debian package" >&2
if ! log="$(cd "$build" && cpack -G DEB -B "$out" 2>&1)"; then
  echo "$log" >&2
  exit 1
fi
deb="$(ls "$out"/quillon_*.deb)"

if ((check)); then
  contents="$(mktemp -d /tmp/quillon-package-XXXXXX)"
  trap 'rm -rf "$contents"' EXIT
  dpkg-deb -x "$deb" "$contents"
  echo "== lintian $(basename "$deb")"
  # lintian warns that it runs as root; that says nothing about the package.
  lintian --fail-on error,warning --display-info "$deb" 2> >(grep -v 'running with root privileges' >&2)
  for metainfo in "$contents"/usr/share/metainfo/*.metainfo.xml; do
    [ -e "$metainfo" ] || continue
    echo "== appstreamcli validate ${metainfo#"$contents"}"
    appstreamcli validate --no-net --pedantic "$metainfo"
  done
  for entry in "$contents"/usr/share/applications/*.desktop; do
    [ -e "$entry" ] || continue
    echo "== desktop-file-validate ${entry#"$contents"}"
    # It exits 0 after warnings and hints: any word from it fails the check.
    report="$(desktop-file-validate "$entry" 2>&1)" || true
    if [ -n "$report" ]; then
      echo "$report"
      exit 1
    fi
  done
  echo "== contents"
  dpkg-deb -f "$deb"
  dpkg-deb -c "$deb" | awk '{print $1, $NF}'
fi
echo "$deb"
