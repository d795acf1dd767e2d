# shellcheck shell=bash
# The Wine prefix the Windows programs run in, for the scripts that source this file
# (windows-tests.sh, windows-screenshots.sh):
#   . scripts/wine-prefix.sh
#   wine_prefix        a fresh prefix in the temporary folder $work, removed on exit
#   japanese_locale    makes ja_JP.UTF-8 where it is missing and can be made; false otherwise
# Drives are linked into $WINEPREFIX/dosdevices after wine_prefix, while no Wine server runs;
# the caller then starts the one server all its runs share (wineserver -p).
export WINEDEBUG=-all
# msvcrt misreads the POSIX forms of TZ: the Windows processes take the machine's zone instead,
# and so does the Linux side of each comparison.
unset TZ
# A program that crashes ends with its exception instead of starting winedbg, which would wait
# for a debugger's commands and hold the run up for good.
export WINEDLLOVERRIDES="winedbg.exe=d"

wine_prefix_remove() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}

wine_prefix() {
  work="$(mktemp -d /tmp/quillon-wine-XXXXXX)"
  export WINEPREFIX="$work/prefix"
  trap wine_prefix_remove EXIT
  # A home of the prefix's own: Wine links the user's Documents, Videos... to it and writes its
  # menu entries there, not into the home of whoever runs this.
  export HOME="$work/home"
  mkdir "$HOME"
  # The first program fills the new prefix; the server then stops, so that the drives added
  # afterwards are seen by Wine's mount manager when it starts again. On a busy machine the
  # program may end before the prefix is filled: the wait is for every process of the prefix.
  wine cmd /c exit >/dev/null 2>&1 || true
  wineserver -w
  # The dialogs' fonts: Tahoma from Wine's own fonts, and Marlett for the caption's buttons; the
  # Japanese dialogs' face stood in for by Noto Sans CJK, and the clip list's fixed-pitch face
  # (its rows are ASCII) by DejaVu Sans Mono. Windows are not handed to a window manager: with
  # none running on Xvfb, Wine would wait for one each time a window hides.
  local font
  for font in /usr/share/wine/fonts/{tahoma,tahomabd,marlett}.ttf; do
    [ ! -f "$font" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  cat >"$work/fonts.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="Noto Sans CJK JP"
"MS Gothic"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="Noto Sans CJK JP"
"MS Gothic"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
  wine regedit /S "$work/fonts.reg" >/dev/null 2>&1 || true
  wineserver -w
}

# Wine takes the user's language from the locale, which must exist (localedef makes it).
japanese_locale() {
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
  [ "$(id -u)" -eq 0 ] && command -v localedef >/dev/null && localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null
}
