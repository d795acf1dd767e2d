#!/usr/bin/env bash
# Soak: 500 imports of the demo unit into one destination, twice.
#  1. In one process (bench/soak_import.cpp): the way the desktop program imports again and
#     again; its resident memory and open descriptors must stay flat.
#  2. quillon-cli, one process per import, overwrite modes cycling all / none / ask with
#     answers (yes and no, yes to all, no to all, cancel); each run's peak memory and open
#     descriptors are sampled, and the machine must be left as it was.
#   scripts/soak.sh [IMPORTS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
imports="${1:-500}"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"

work="$(mktemp -d /tmp/quillon-soak-XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$build/tools/quillon-demo-unit" "$work" >/dev/null
cli="$build/src/cli/quillon-cli"

echo "== one process, $imports imports of the demo units (flat and numbered folders)"
mkdir -p "$work/dest-one"
start=$(date +%s%N)
"$build/bench/quillon-soak-import" "$work/unit-flat,$work/unit-folders" "$work/dest-one" "$imports"
echo "took $((($(date +%s%N) - start) / 1000000)) ms"

echo
echo "== quillon-cli, $imports imports of the flat demo unit"
dest="$work/dest-cli"
mkdir -p "$dest"
modes=(all none ask-yes-no ask-yes-to-all ask-no-to-all ask-cancel)
answers() {
  case "$1" in
    ask-yes-no) for _ in $(seq 32); do printf 'y\nn\n'; done ;;
    ask-yes-to-all) echo a ;;
    ask-no-to-all) echo o ;;
    ask-cancel) printf 'y\nc\n' ;;
    *) : ;;
  esac
}
fd_before=$(ls /proc/$$/fd | wc -l)
rss_samples="$work/rss"
fd_samples="$work/fds"
exit_codes="$work/codes"
: >"$rss_samples"; : >"$fd_samples"; : >"$exit_codes"
start=$(date +%s%N)
for ((i = 0; i < imports; i++)); do
  mode="${modes[$((i % ${#modes[@]}))]}"
  overwrite="${mode%%-*}"
  answers "$mode" >"$work/answers"
  /usr/bin/time -f '%M' -o "$work/time" "$cli" import "$work/unit-flat" "$dest" --json --overwrite "$overwrite" \
    <"$work/answers" >/dev/null 2>"$work/err" &
  pid=$!
  most=0
  # The import is short: look at its descriptors as often as the shell can while it runs.
  while kill -0 "$pid" 2>/dev/null; do
    for child in $(cat /proc/$pid/task/*/children 2>/dev/null); do
      n=$(ls /proc/"$child"/fd 2>/dev/null | wc -l || true)
      if ((n > most)); then most=$n; fi
    done
  done
  code=0
  wait "$pid" || code=$?
  echo "$code" >>"$exit_codes"
  cat "$work/time" >>"$rss_samples"
  echo "$most" >>"$fd_samples"
done
took=$((($(date +%s%N) - start) / 1000000))
fd_after=$(ls /proc/$$/fd | wc -l)

summary() {  # first 50, last 50, maximum of a column of numbers
  awk 'BEGIN {max=0} {v[NR]=$1+0; if (v[NR]>max) max=v[NR]}
    END {for (i=1;i<=50&&i<=NR;i++) a+=v[i]; for (i=NR-49;i<=NR;i++) if (i>0) b+=v[i];
         k=(NR<50?NR:50); printf "first 50 avg %.0f, last 50 avg %.0f, max %d", a/k, b/k, max}' "$1"
}
echo "runs: $imports in $took ms; exit codes: $(sort -n "$exit_codes" | uniq -c | awk '{printf "%s x %s  ", $1, $2}')"
echo "peak RSS per run (KiB): $(summary "$rss_samples")"
echo "open descriptors seen per run: $(summary "$fd_samples")"
echo "destination: $(ls "$dest" | wc -l) files; the soak shell's descriptors: $fd_before before, $fd_after after"
echo "processes this script left running: $(jobs -p | wc -l)"
