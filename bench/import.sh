#!/usr/bin/env bash
# Times an import of about 1 GiB of chunk files, with and without the read-back check, against
# a plain loop of 1024-byte read and write calls over the same files (alone; with the fdatasync
# an import makes before an output takes its name; and with that fdatasync after handing each
# 8 MiB to the disk as it is written), against cat and against cp; then
# what an output costs after its last byte (fdatasync, read-back, rename) and the hashing alone.
# Page cache warm for the unit; before each run the outputs are removed and `sync` writes back
# what the run before left, so that no run pays for another. The runs take turns, RUNS rounds,
# and the best of each is printed with the range. Also prints quillon-cli's peak memory for
# that import and for a small one, and the probe's bytes read per output file.
# Usage: bench/import.sh [MIB] [CHUNKS] [RUNS]
# The run on a throttled source is bench/import_throttled.sh.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
mib="${1:-1024}"
chunks="${2:-8}"
runs="${3:-3}"
tree="$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench-import-XXXXXX")"
trap 'rm -rf "$tree"' EXIT
cli="$build/src/cli/quillon-cli"
for tool in "$cli" "$build"/bench/quillon-{bench-unit,copy-loop,commit-cost,hash-speed,probe-bytes}; do
  [[ -x $tool ]] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
done
[[ $("$cli" --help) == *--no-verify* ]] || { echo "this quillon-cli has no --no-verify: rebuild" >&2; exit 1; }

load_start="$(cut -d" " -f1-3 /proc/loadavg)"
"$build/bench/quillon-bench-unit" import "$tree/unit" "$mib" "$chunks" >/dev/null
"$build/bench/quillon-bench-unit" import "$tree/small" 16 "$chunks" >/dev/null
mkdir -p "$tree/out"
sources=("$tree"/unit/VIDEO/QVT/*.M2T)
cat "${sources[@]}" >/dev/null   # warm the cache
size=$(cat "${sources[@]}" | wc -c)

fresh() { rm -rf "$tree/out"; mkdir "$tree/out"; sync; }
ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }

source "$here/bench/timing.sh"
names=(verify noverify loop loopsync loopwb cat cp)
declare -A cmd
cmd[verify]="\"\$cli\" import \"\$tree/unit\" \"\$tree/out\" --overwrite all"
cmd[noverify]="\"\$cli\" import \"\$tree/unit\" \"\$tree/out\" --overwrite all --no-verify"
cmd[loop]="\"\$build/bench/quillon-copy-loop\" \"\$tree/out/loop.M2T\" \"\${sources[@]}\""
cmd[loopsync]="\"\$build/bench/quillon-copy-loop\" --sync \"\$tree/out/loop.M2T\" \"\${sources[@]}\""
cmd[loopwb]="\"\$build/bench/quillon-copy-loop\" --sync --writeback 8 \"\$tree/out/loop.M2T\" \"\${sources[@]}\""
cmd[cat]="sh -c 'cat \"\$@\" > \"\$0\"' \"\$tree/out/cat.M2T\" \"\${sources[@]}\""
cmd[cp]="cp \"\${sources[@]}\" \"\$tree/out/\""
take_turns
fresh

ratio() { awk -v a="$(best "$1")" -v b="$(best "$2")" 'BEGIN{printf "%.2f", a/b}'; }

rss=$( { /usr/bin/time -f "%M" "$cli" import "$tree/unit" "$tree/out" --overwrite all >/dev/null; } 2>&1 )
fresh
rss_nv=$( { /usr/bin/time -f "%M" "$cli" import "$tree/unit" "$tree/out" --overwrite all --no-verify >/dev/null; } 2>&1 )
fresh
rss_small=$( { /usr/bin/time -f "%M" "$cli" import "$tree/small" "$tree/out" --overwrite all >/dev/null; } 2>&1 )
fresh

machine_lines "$tree" "$load_start"
printf 'bytes imported: %d (%d chunks joined into one file); best of %d turns, page cache warm\n\n' "$size" "$chunks" "$runs"
row "quillon-cli import (read-back check on)" verify
row "quillon-cli import --no-verify" noverify
row "plain 1024-byte loop" loop
row "plain 1024-byte loop + fdatasync" loopsync
row "  the same, written back every 8 MiB" loopwb
row "cat" cat
row "cp (the $chunks chunk files)" cp
printf '%-44s %s   (aim: 1.25 or less)\n' "ratio import --no-verify / loop" "$(ratio noverify loop)"
printf '%-44s %s\n' "ratio import --no-verify / (loop+fdatasync)" "$(ratio noverify loopsync)"
printf '%-44s %s\n' "ratio import (checked) / loop" "$(ratio verify loop)"
printf '%-44s %s\n' "ratio import --no-verify / cp" "$(ratio noverify cp)"
printf '%-44s %.3f s (+%.0f %%)\n' "the read-back check adds" \
  "$(awk -v a="$(best verify)" -v b="$(best noverify)" 'BEGIN{print (a-b)/1000}')" \
  "$(awk -v a="$(best verify)" -v b="$(best noverify)" 'BEGIN{print (a-b)*100/b}')"
printf 'peak RSS, %4d MiB import:                 %d KiB (--no-verify: %d KiB)\n' "$mib" "$rss" "$rss_nv"
printf 'peak RSS,   16 MiB import:                 %d KiB\n' "$rss_small"
echo
echo "after an output's last byte, step by step (the same bytes through the output service, quillon-commit-cost):"
"$build/bench/quillon-commit-cost" "$tree/out" "${sources[@]}" | sed 's/^/  /'
echo
"$build/bench/quillon-hash-speed" "$mib" | sed 's/^/  /'
echo
echo "probe reads per output file (first chunk of each output):"
"$build/bench/quillon-probe-bytes" "${sources[0]}"
