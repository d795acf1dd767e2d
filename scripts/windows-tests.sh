#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the GoogleTest program, then quillon-cli.exe
# against the Linux build's quillon-cli on demo units made by quillon-demo-unit: `list --json`
# must say the same (paths mapped to the drive), `import` must write the same names and bytes,
# the units must come out unchanged, both must exit alike on wrong arguments, and Ctrl+C must
# cancel an import of quillon-cli.exe as it does on Windows.
#   scripts/windows-tests.sh WINDOWS_BUILD LINUX_BUILD
# LINUX_BUILD holds tools/quillon-demo-unit and src/cli/quillon-cli.
set -euo pipefail
win="$(realpath "$1")"
linux="$(realpath "$2")"
# The prefix, made afresh, and the Japanese locale: scripts/wine-prefix.sh.
# shellcheck source=scripts/wine-prefix.sh
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix
# quillon-demo-unit makes two units: the flat layout (VIDEO/QVT) and the numbered folders.
# Each becomes a drive.
demo="$work/demo"
"$linux/tools/quillon-demo-unit" "$demo" >/dev/null
ln -s "$demo/unit-flat" "$WINEPREFIX/dosdevices/q:"
ln -s "$demo/unit-folders" "$WINEPREFIX/dosdevices/r:"
# One Wine server for every run below.
wineserver -p

failures=0
check() {  # check NAME COMMAND...: runs the command, reports it
  if "$@"; then
    echo "ok    $1"
  else
    echo "FAIL  $1"
    failures=$((failures + 1))
  fi
}

# The domain and platform tests. Xvfb gives the volume-change window a display.
gtest() {
  local run=(timeout 900 wine "$win/tests/quillon_tests.exe" --gtest_brief=1)
  if command -v xvfb-run >/dev/null; then run=(xvfb-run -a "${run[@]}"); fi
  (cd "$work" && "${run[@]}")
}
check gtest

# The window tests of quillon.exe.
win32ui_gtest() {
  local run=(timeout 600 wine "$win/tests/win32ui/quillon_win32ui_tests.exe" --gtest_brief=1)
  if command -v xvfb-run >/dev/null; then run=(xvfb-run -a "${run[@]}"); fi
  (cd "$work" && "${run[@]}")
}
check win32ui_gtest

# quillon.exe started twice, as a user would: the second copy ends at once, brings the first
# one's window to the front (a window of the test program has the front meanwhile), and that
# window stays the only one (the window tests look at the windows, on the same display).
second_copy_ends_at_once() {
  command -v xvfb-run >/dev/null || { echo "  no xvfb-run: not checked"; return 0; }
  (cd "$work" && xvfb-run -a bash -c '
    exe="$1/src/win32ui/quillon.exe" tests="$1/tests/win32ui/quillon_win32ui_tests.exe" ready="$2/front-taken"
    one_window() {
      QUILLON_EXPECT_ONE_WINDOW=1 wine "$tests" --gtest_brief=1 --gtest_filter=StartupTest.OneProgramWindowIsOpen
    }
    wine "$exe" >/dev/null 2>&1 & first=$!
    status=0
    one_window || status=1
    QUILLON_READY_FILE="Z:$ready" wine "$tests" --gtest_brief=1 --gtest_filter=StartupTest.ASecondStartRaisesTheFirst &
    raised=$!
    for _ in $(seq 300); do [ -e "$ready" ] && break; sleep 0.1; done
    [ -e "$ready" ] || { echo "  the test program never took the front"; status=1; }
    timeout 20 wine "$exe" >/dev/null 2>&1 || { echo "  the second copy did not end by itself"; status=1; }
    wait "$raised" || status=1
    one_window || status=1
    kill -0 "$first" 2>/dev/null || { echo "  the first copy ended"; status=1; }
    kill "$first" 2>/dev/null; wait "$first" 2>/dev/null
    exit $status' _ "$win" "$work")
}
check second_copy_ends_at_once

# The same program under a Japanese user: the Japanese dialogs and strings are the ones loaded,
# and the dialogs' texts and layout hold in Japanese too (the Language tests, run in English
# above).
win32ui_japanese() {
  if ! japanese_locale; then
    echo "  no ja_JP.UTF-8 locale and none can be made: the Japanese window is not checked"
    return 0
  fi
  local run=(wine "$win/tests/win32ui/quillon_win32ui_tests.exe" --gtest_brief=1
             --gtest_filter='StartupTest.TheMainWindowSpeaksTheUsersLanguage:Language.*')
  if command -v xvfb-run >/dev/null; then run=(xvfb-run -a "${run[@]}"); fi
  (cd "$work" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QUILLON_EXPECT_LANG=ja "${run[@]}")
}
check win32ui_japanese

cli_linux="$linux/src/cli/quillon-cli"
cli_win() { wine "$win/src/cli/quillon-cli.exe" "$@"; }
demo_sums() { (cd "$demo" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before="$(demo_sums)"

drives_list_the_units() {
  cli_win drives --json >"$work/drives.json"
  python3 - "$work/drives.json" <<'PY'
import json, sys
drives = [d["mount_point"] for d in json.load(open(sys.argv[1]))["drives"]]
assert "Q:" in drives and "R:" in drives, drives
PY
}
check drives_list_the_units

list_matches_linux() {  # list_matches_linux UNIT DRIVE
  "$cli_linux" list "$demo/$1" --json >"$work/list-linux.json"
  cli_win list "$2\\" --json >"$work/list-win.json"
  python3 - "$work/list-linux.json" "$work/list-win.json" "$demo/$1" "$2" <<'PY'
import json, sys
linux, win, root, drive = json.load(open(sys.argv[1])), json.load(open(sys.argv[2])), sys.argv[3], sys.argv[4]
def windows_path(p):
    assert p.startswith(root), p
    return drive + p[len(root):].replace("/", "\\")
assert win["root"] == drive, win["root"]
assert len(linux["clips"]) == len(win["clips"]) > 0, (len(linux["clips"]), len(win["clips"]))
for l, w in zip(linux["clips"], win["clips"]):
    l["folder"] = windows_path(l["folder"])
    for c in l["chunks"]:
        c["path"] = windows_path(c["path"])
    # The date column follows each system's short date form; the rest of the row is the same.
    lrow, wrow = l.pop("row"), w.pop("row")
    # Chunks found by name come in each file system's own order.
    if l["source"] == "flat" and l["chunks"] != w["chunks"]:
        l["chunks"].sort(key=lambda c: c["path"])
        w["chunks"].sort(key=lambda c: c["path"])
    assert lrow[:18] == wrow[:18] and lrow[30:] == wrow[30:], (lrow, wrow)
    assert l == w, (l, w)
PY
}
check list_matches_linux unit-flat Q:
check list_matches_linux unit-folders R:

import_matches_linux() {  # import_matches_linux UNIT DRIVE
  mkdir "$work/out-linux-$1" "$work/out-win-$1"
  "$cli_linux" import "$demo/$1" "$work/out-linux-$1" --overwrite none -q --prefix 7
  cli_win import "$2" "Z:$work/out-win-$1" --overwrite none -q --prefix 7
  # A clip without a recording time is named after the time of the import: that part may differ.
  python3 - "$work/out-linux-$1" "$work/out-win-$1" <<'PY'
import os, re, sys
def now(text):
    return re.sub(r"\d{4}-\d\d-\d\d_\d{6}_No_Time", "NOW_No_Time", text)
def outputs(folder):
    files = {}
    for name in sorted(os.listdir(folder)):
        data = open(os.path.join(folder, name), "rb").read()
        if name == ".quillon-history":
            # The same records, but for the time of the import and the checksum that covers it.
            lines = data.decode().splitlines()
            data = [lines[0]] + sorted(now("\t".join(f[:4] + f[5:-1])) for f in (l.split("\t") for l in lines[1:]))
        files.setdefault(now(name), []).append(data)
    return files
linux, win = outputs(sys.argv[1]), outputs(sys.argv[2])
assert linux, "nothing imported"
assert linux.keys() == win.keys(), (sorted(linux), sorted(win))
for key in linux:
    assert sorted(linux[key]) == sorted(win[key]), key
PY
}
check import_matches_linux unit-flat Q:
check import_matches_linux unit-folders R:

units_unchanged() { [ "$(demo_sums)" = "$before" ]; }
check units_unchanged

exit_codes_match_linux() {
  mkdir -p "$work/empty"
  local args l w
  for args in "list" "list $work/empty" "list $work/missing" "import $demo/unit-flat" "frobnicate" \
              "list $demo/unit-flat --bogus" "import $demo/unit-flat $work/empty NOSUCHCLIP"; do
    set +e
    # shellcheck disable=SC2086
    "$cli_linux" $args >/dev/null 2>&1; l=$?
    # shellcheck disable=SC2086
    cli_win ${args//$work/Z:$work} >/dev/null 2>&1; w=$?
    set -e
    if [ "$l" != "$w" ]; then
      echo "  quillon-cli $args: Linux $l, Windows $w"
      return 1
    fi
  done
}
check exit_codes_match_linux

# Ctrl+C in the middle of a copy. Wine turns a SIGINT to the process into the console's Ctrl+C
# event, which reaches the program's console handler as it would on Windows: the import is
# cancelled, the file that was there before is left as it was, and no temporary file stays.
ctrl_c_cancels_the_copy() {
  local unit="$work/big-unit" out="$work/out-ctrl-c" i part=""
  mkdir -p "$unit/VIDEO/QVT" "$out"
  truncate -s 2G "$unit/VIDEO/QVT/BIG0001.DV"
  printf old >"$out/BIG0001.DV"
  cli_win import "Z:$unit" "Z:$out" BIG0001 --overwrite all --json >"$work/ctrl-c.json" 2>/dev/null &
  local launcher=$!
  for i in $(seq 600); do
    part="$(find "$out" -name '.BIG0001.DV.*' -size +0 | head -1)"
    [ -n "$part" ] && break
    sleep 0.1
  done
  if [ -z "$part" ]; then
    echo "  the copy never started"
    kill "$launcher" 2>/dev/null || true
    return 1
  fi
  kill -INT "$(pgrep -f 'quillon-cli.exe import' | head -1)"
  local rc=0
  wait "$launcher" || rc=$?
  rm -f "$unit/VIDEO/QVT/BIG0001.DV"
  python3 - "$work/ctrl-c.json" "$out" "$rc" <<'PY'
import json, os, sys
report, out, rc = json.load(open(sys.argv[1])), sys.argv[2], int(sys.argv[3])
assert rc == 1, rc
assert report["cancelled"] is True and report["written"] == [], report
assert sorted(os.listdir(out)) == ["BIG0001.DV"], os.listdir(out)
assert open(os.path.join(out, "BIG0001.DV")).read() == "old"
PY
}
check ctrl_c_cancels_the_copy

if ((failures)); then
  echo "$failures Windows check(s) failed"
  exit 1
fi
echo "all Windows checks passed"
