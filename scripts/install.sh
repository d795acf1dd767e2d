#!/usr/bin/env bash
# Sets up, builds, makes the Debian package and installs it with apt-get (as root, or through
# sudo): quillon is then in the desktop's menu, quillon-cli on the PATH, both with manual
# pages. `apt-get remove quillon` takes it away again.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
deb="$("$here/scripts/package.sh" | tail -n 1)"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing $deb"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --reinstall "$deb" >/dev/null
echo "Installed: $(dpkg-query -W -f='${Package} ${Version}' quillon). Start Quillon from the menu," \
  "or run quillon; quillon-cli --help for the command line."
