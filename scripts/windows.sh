#!/usr/bin/env bash
# The Windows build: installs what is missing (mingw-w64 with posix threads, Wine and its fonts,
# Xvfb, a CJK font, zip), cross-builds quillon.exe, quillon-cli.exe and the tests into
# build-windows/, runs the tests under Wine (scripts/windows-tests.sh), and packs
# build-windows/quillon-windows-x86_64.zip. scripts/windows-screenshots.sh then draws the
# pictures of docs/windows.md from this build.
set -euo pipefail
cd "$(dirname "$0")/.."
here="$(pwd)"
jobs="$(nproc)"

packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine fonts-wine xvfb xauth zip
          fonts-noto-cjk fonts-dejavu-core locales nsis cmake ninja-build googletest libxxhash-dev build-essential pkg-config)
scripts/install-packages.sh "${packages[@]}"

out="$here/build-windows"
echo "=== Windows build"
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUILLON_WITH_GUI=OFF >/dev/null
ninja -C "$out" -j "$jobs"

# The Linux programs the comparison runs beside the Windows ones.
echo "=== Linux quillon-cli and demo-unit generator"
cmake -S "$here" -B "$out/linux-tools" -G Ninja -DQUILLON_WITH_GUI=OFF \
  -DQUILLON_WITH_TESTS=OFF >/dev/null
ninja -C "$out/linux-tools" -j "$jobs" quillon-cli quillon-demo-unit

echo "=== Windows tests under Wine"
scripts/windows-tests.sh "$out" "$out/linux-tools"

echo "=== Package"
stage="$out/package/quillon"
rm -rf "$out/package" "$out/quillon-windows-x86_64.zip"
mkdir -p "$stage"
cp "$out/src/win32ui/quillon.exe" "$out/src/cli/quillon-cli.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/quillon.exe" "$stage/quillon-cli.exe"
version="$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
cat >"$stage/README.txt" <<TEXT
Quillon $version for Windows (x86-64): quillon.exe and quillon-cli.exe

Quillon lists and imports the clips of an HDV/DV hard-disk recording unit. It needs no
installation and no DLL: put the two programs anywhere.

quillon.exe is the window: connect the unit, choose its drive, select the clips and click
Import. The destination folder and the drive are remembered for the next start.

quillon-cli.exe does the same from a console window:

  quillon-cli drives [--json]              the drives that hold a unit's tree (E:, ...)
  quillon-cli list E: [--json]             the clips on drive E:
  quillon-cli import E: D:\\Videos [CLIP ...] copies the clips into an existing folder
  quillon-cli --help                       every option

Nothing on the unit is ever written. Ctrl+C cancels an import: the file being written is
removed and existing files keep their bytes.
TEXT
sed -i 's/$/\r/' "$stage/README.txt"
(cd "$out/package" && zip -q -r "$out/quillon-windows-x86_64.zip" quillon)
echo "packed $out/quillon-windows-x86_64.zip"

# The installer, and a silent install and uninstall of it under Wine: the programs land in
# Program Files\Quillon with a Start menu entry, and the uninstaller takes them away again.
echo "=== Installer"
setup="$out/quillon-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$here/src/win32ui/quillon.ico" \
  -DOUTFILE="$setup" packaging/windows/quillon.nsi
(
  export WINEPREFIX="$(mktemp -d /tmp/quillon-setup-XXXXXX)" WINEDEBUG=-all
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  programs="$WINEPREFIX/drive_c/Program Files/Quillon"
  wine "$setup" /S >/dev/null 2>&1
  wineserver -w
  for f in quillon.exe quillon-cli.exe uninstall.exe; do
    [ -f "$programs/$f" ] || { echo "the installer left out $f"; exit 1; }
  done
  find "$WINEPREFIX/drive_c" -name Quillon.lnk | grep -q . || { echo "no Start menu entry"; exit 1; }
  wine "$programs/uninstall.exe" /S >/dev/null 2>&1
  wineserver -w
  sleep 2  # the uninstaller runs a copy of itself from the temporary folder, which ends late
  wineserver -w
  [ ! -e "$programs/quillon.exe" ] || { echo "the uninstaller left quillon.exe"; exit 1; }
)
echo "made $setup (installs and uninstalls under Wine)"
