#!/usr/bin/env bash
# A rescue from a failing unit: one index clip of MIB MiB (256 unless told) in one M2T chunk,
# mirrored through quillon-faultfs with AREAS bad 4 KiB areas (20 unless told) spread over it,
# two of them weak (they fail twice, then read); every failed read answers after 20 ms, as a
# failing drive is slow. `quillon-cli import --rescue` (one retry pass, its default) is compared
# with `ddrescue -r1` of the same chunk file, each on a mount of its own (a fresh mount, so the
# weak areas fail anew), and the script prints for both: the bytes left bad, the reads that
# failed (the mirror's count: every failed read is a read of a bad area) and the wall time.
# Needs FUSE (root, or fusermount3) and GNU ddrescue; skips with a message otherwise.
# Usage: bench/rescue.sh [MIB] [AREAS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
cli="$build/src/cli/quillon-cli"
faultfs="$build/tests/support/faultfs/quillon-faultfs"
mib="${1:-256}"
areas="${2:-20}"
skip() { echo "rescue: skipped: $*"; exit 0; }

[[ -x $cli && -x $build/bench/quillon-bench-unit ]] || skip "build first (scripts/build.sh)"
[[ -x $faultfs ]] || skip "quillon-faultfs is not built (Debian: libfuse3-dev)"
command -v ddrescue >/dev/null || skip "GNU ddrescue is not installed (Debian: gddrescue)"
[[ -r /dev/fuse ]] || skip "no /dev/fuse"
((EUID == 0)) || command -v fusermount3 >/dev/null || skip "not root, and no fusermount3"

work="$(mktemp -d /tmp/quillon-rescue-XXXXXX)"
mnt="$work/mnt"
pid=""
unmount() {
  [[ -n $pid ]] || return 0
  fusermount3 -u "$mnt" 2>/dev/null || umount "$mnt" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
}
trap 'unmount; rm -rf "$work"' EXIT
mkdir -p "$mnt"

"$build/bench/quillon-bench-unit" import "$work/unit" "$mib" 1 >/dev/null
chunk=$(cd "$work/unit" && ls VIDEO/QVT/*.M2T)
size=$(stat -c %s "$work/unit/$chunk")

# The faults: areas at even spaces, on 4 KiB boundaries; the 5th and the 15th are weak.
{
  echo "fail-delay 0.02"
  echo "file $chunk"
  for ((i = 0; i < areas; ++i)); do
    at=$(((size / areas * i + size / areas / 2) / 4096 * 4096))
    if ((i == areas / 4 || i == areas * 3 / 4)); then echo "weak $at 4096 2"; else echo "bad $at 4096"; fi
  done
} >"$work/faults"

mirror() {  # mounts a fresh mirror; its counts go to $work/stats
  rm -f "$work/stats"
  "$faultfs" --faults "$work/faults" --stats "$work/stats" "$work/unit" "$mnt" &
  pid=$!
  for _ in $(seq 100); do
    mountpoint -q "$mnt" && return 0
    sleep 0.05
  done
  echo "rescue: the mirror did not mount" >&2
  exit 1
}
failed_reads() { kill -USR2 "$pid"; sleep 0.2; awk '$1 == "failed" {print $2}' "$work/stats"; }
# Bytes a ddrescue map marks other than finished ("+").
bad_in_map() {
  local pos size status sum=0 header=1
  while read -r pos size status; do
    [[ $pos == \#* || -z $pos ]] && continue
    if ((header)); then header=0; continue; fi  # the current position's line
    [[ $status == + ]] || sum=$((sum + size))
  done <"$1"
  echo "$sum"
}
now() { date +%s.%N; }

echo "A ${mib} MiB clip, $areas bad 4 KiB areas (2 weak), 20 ms for each failed read"

mirror
rm -rf "$work/out" && mkdir "$work/out"
t0=$(now)
"$cli" import "$mnt" "$work/out" --rescue --json >"$work/ours.json" 2>"$work/ours.err" || true
t1=$(now)
ours_reads=$(failed_reads)
unmount
ours_bad=$(bad_in_map "$(ls "$work"/out/*.map)")
ours_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.2f", b - a}')

mirror
rm -rf "$work/out" && mkdir "$work/out"
t0=$(now)
ddrescue -q -r1 "$mnt/$chunk" "$work/out/dd.img" "$work/out/dd.map" || true
t1=$(now)
dd_reads=$(failed_reads)
unmount
dd_bad=$(bad_in_map "$work/out/dd.map")
dd_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.2f", b - a}')

printf '%-30s %14s %14s %10s\n' "" "bytes left bad" "failed reads" "wall s"
printf '%-30s %14s %14s %10s\n' "quillon-cli import --rescue" "$ours_bad" "$ours_reads" "$ours_time"
printf '%-30s %14s %14s %10s\n' "ddrescue -r1" "$dd_bad" "$dd_reads" "$dd_time"
awk -v o="$ours_reads" -v d="$dd_reads" 'BEGIN{if (d > 0) printf "failed reads, ours / ddrescue: %.2f\n", o / d}'
