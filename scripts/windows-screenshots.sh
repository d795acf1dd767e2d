#!/usr/bin/env bash
# Makes the pictures of quillon.exe in docs/windows.md again, from the program itself, as
# scripts/screenshots.sh does for the Linux window. Under Wine, on Xvfb, in a fresh prefix
# (scripts/wine-prefix.sh) whose user is "user", the demo unit is drive E: and
# quillon_window_shot.exe (tests/win32ui/WindowShot.cpp) shows the main window with two clips
# chosen, imports them into C:\users\user\Videos, and copies the window before and after the
# import (the status line under the list) and the progress window; once in English, once under
# a Japanese user (LANG=ja_JP.UTF-8). Written as PNG by ffmpeg:
#   windows-main-window.png, windows-main-window-ja.png, windows-summary-en.png,
#   windows-summary-ja.png, windows-progress-en.png, windows-progress-ja.png
#   scripts/windows-screenshots.sh [OUT_DIR]    (docs/ by default)
# It uses the Windows build of scripts/windows.sh (build-windows/, or $QUILLON_WINDOWS_BUILD_DIR),
# bringing the tool and the demo-unit generator up to date first.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
win="${QUILLON_WINDOWS_BUILD_DIR:-$here/build-windows}"
linux="$win/linux-tools"
out="$(realpath "${1:-$here/docs}")"
if [ ! -f "$win/build.ninja" ] || [ ! -f "$linux/build.ninja" ]; then
  echo "windows-screenshots: no Windows build in $win: run scripts/windows.sh first" >&2
  exit 1
fi
"$here/scripts/install-packages.sh" ffmpeg xvfb xauth locales
ninja -C "$win" quillon_window_shot
ninja -C "$linux" quillon-demo-unit
shot="$win/tests/win32ui/quillon_window_shot.exe"

# The user's folders read as a user's would: C:\users\user.
export USER=user LOGNAME=user
# shellcheck source=scripts/wine-prefix.sh
. "$here/scripts/wine-prefix.sh"
wine_prefix
japanese_locale || { echo "windows-screenshots: no ja_JP.UTF-8 locale and none can be made" >&2; exit 1; }
"$linux/tools/quillon-demo-unit" "$work/demo" >/dev/null
ln -s "$work/demo/unit-flat" "$WINEPREFIX/dosdevices/e:"
wineserver -p

# Wine makes Videos a link to the home; in its place, an empty folder for each import.
videos="$WINEPREFIX/drive_c/users/$USER/Videos"
for lang in en ja; do
  locale=C.UTF-8
  [ $lang = en ] || locale=ja_JP.UTF-8
  rm -rf "$videos"
  mkdir "$videos"
  if ! LANG=$locale LC_ALL=$locale timeout 300 xvfb-run -a \
       wine "$shot" E: "C:\\users\\$USER\\Videos" "Z:$work/$lang.bmp" >"$work/$lang.log" 2>&1; then
    cat "$work/$lang.log" >&2
    echo "windows-screenshots: the $lang pictures could not be made" >&2
    exit 1
  fi
  for picture in "" .summary .progress; do
    bitmap="$work/$lang.bmp"
    [ -z "$picture" ] || bitmap+="$picture.bmp"
    ffmpeg -loglevel error -y -i "$bitmap" "$work/$lang$picture.png"
  done
done
mkdir -p "$out"
cp "$work/en.png" "$out/windows-main-window.png"
cp "$work/ja.png" "$out/windows-main-window-ja.png"
for lang in en ja; do
  cp "$work/$lang.summary.png" "$out/windows-summary-$lang.png"
  cp "$work/$lang.progress.png" "$out/windows-progress-$lang.png"
done
echo "Pictures written to $out: windows-main-window.png, windows-main-window-ja.png," \
  "windows-summary-en.png, windows-summary-ja.png, windows-progress-en.png, windows-progress-ja.png"
