#!/usr/bin/env bash
# Makes the documentation's pictures of the desktop program again, from the program itself, so
# that they show what it shows: the main window on the demo unit, each clip marked with its state
# in the destination after an earlier import, the same window after an import of two more of its
# clips into that folder (the status line names that folder, as the destination shows it), and the
# progress window, in English and in Japanese. Dates are in each language's own
# short form: the locales en_US.UTF-8 and ja_JP.UTF-8 are generated where they are missing (as
# root, or through sudo). The pictures of quillon.exe come from scripts/windows-screenshots.sh.
#   scripts/screenshots.sh [OUT_DIR]    (docs/ by default)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
out="${1:-$here/docs}"
mkdir -p "$out"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
shot="$build/tests/ui/quillon_window_shot"
[ -x "$shot" ] || { echo "screenshots: $shot was not built (Qt 6 missing?)" >&2; exit 1; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
for name in en_US ja_JP; do
  if ! locale -a 2>/dev/null | grep -qix "$name.utf8"; then
    "$here/scripts/install-packages.sh" locales
    echo "Generating the locale $name.UTF-8"
    $sudo localedef -i "$name" -f UTF-8 "$name.UTF-8"
  fi
done

# A home of its own, so that the settings of the user who runs this are left alone. Where the
# system lets this user have a mount namespace, the unit and the home are shown where a user's
# would be (/media/user/HDV-UNIT, /home/user); elsewhere they stay in the temporary folder.
work="$(mktemp -d /tmp/quillon-screenshots-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/tools/quillon-demo-unit" "$work" >/dev/null
namespace=()
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  namespace=(unshare -m --propagation private)
elif unshare -r -m true 2>/dev/null; then
  namespace=(unshare -r -m --propagation private)
fi
for lang in en ja; do
  locale=$([ $lang = en ] && echo en_US || echo ja_JP)
  if ((${#namespace[@]})); then
    "${namespace[@]}" sh -c '
      set -e
      mount -t tmpfs tmpfs /media && mkdir -p /media/user/HDV-UNIT
      mount --bind "$1" /media/user/HDV-UNIT
      mount -t tmpfs tmpfs /home && mkdir -p /home/user/Videos
      HOME=/home/user XDG_CONFIG_HOME=/home/user/.config XDG_RUNTIME_DIR=/home/user LC_ALL="$4.UTF-8" \
        QT_QPA_PLATFORM=offscreen exec "$2" /media/user/HDV-UNIT /home/user/Videos "$3" "$4" 2>/dev/null' \
      sh "$work/unit-flat" "$shot" "$work/$lang.png" "$locale"
  else
    home="$work/home-$lang"
    mkdir -p "$home/Videos"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" LC_ALL="$locale.UTF-8" \
      QT_QPA_PLATFORM=offscreen "$shot" "$work/unit-flat" "$home/Videos" "$work/$lang.png" "$locale" 2>/dev/null
  fi
  cp "$work/$lang.png.summary.png" "$out/summary-$lang.png"
  cp "$work/$lang.png.progress.png" "$out/progress-$lang.png"
  cp "$work/$lang.png.rescue-offer.png" "$out/rescue-offer-$lang.png"
  cp "$work/$lang.png.rescue-progress.png" "$out/rescue-progress-$lang.png"
  cp "$work/$lang.png.message-rescued.png" "$out/rescued-$lang.png"
  if [ $lang = en ]; then cp "$work/$lang.png" "$out/main-window.png"; else cp "$work/$lang.png" "$out/main-window-$lang.png"; fi
done
echo "Pictures written to $out: main-window.png, main-window-ja.png, summary-, progress-, rescue-offer-, rescue-progress- and rescued-en.png and -ja.png"
