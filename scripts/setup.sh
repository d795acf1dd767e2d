#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and package Quillon: the
# compilers and libraries, scdoc for the manual pages, what makes and checks the Debian
# package (dpkg-shlibdeps, lintian, appstreamcli, desktop-file-validate), and libfuse3 with
# GNU ddrescue for the tests on a mount whose reads fail (tests/support/faultfs).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git libxxhash-dev xxhash libssl-dev libxml2-utils
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev qt6-translations-l10n
  ffmpeg xvfb xauth fonts-noto-cjk locales
  clang libclang-rt-14-dev
  scdoc dpkg-dev file lintian appstream desktop-file-utils
  libfuse3-dev fuse3 gddrescue
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
