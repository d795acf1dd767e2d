#!/usr/bin/env bash
# An import from a unit as slow as one behind USB 2.0: the bench unit lies on an ext4 image on
# a loop device, mounted in a private mount namespace, and the loop device's reads are limited
# to BYTES_PER_SECOND (35 MB/s unless told) by a cgroup: io.max (cgroup v2) where the io
# controller is available (it is enabled for the root's children if it is not yet), else
# blkio.throttle.read_bps_device (cgroup v1). The cgroup is removed at the end. The destination
# (the folder of TMPDIR, /tmp unless told) is not limited. Caches are dropped before each run.
# quillon-cli import (read-back check on) is compared with cp of the same chunk files plus the
# fdatasync and the read-back of cp's copies, timed apart (quillon-commit-cost --file); as the
# import reads back one joined file, the read-back of the plain 1024-byte loop's joined output
# (quillon-copy-loop) is timed too, and the loop and the import without the check themselves.
# 256 MiB by default: at 35 MB/s each pass over the unit takes about 7.7 s.
# Needs root; skips with a message otherwise, or when reads cannot be limited.
# Usage: bench/import_throttled.sh [MIB] [CHUNKS] [RUNS] [BYTES_PER_SECOND]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
cli="$build/src/cli/quillon-cli"
skip() { echo "import_throttled: skipped: $*"; exit 0; }

if [[ ${1:-} == --inside ]]; then
  # In the private mount namespace: the measuring itself. Arguments come from the outer part.
  shift
  tree=$1 dev=$2 procs=$3 mechanism=$4 mib=$5 chunks=$6 runs=$7 rate=$8
  source "$here/bench/timing.sh"
  mkdir -p "$tree/mnt" "$tree/out"
  mount "$dev" "$tree/mnt"
  trap 'umount "$tree/mnt" 2>/dev/null || true' EXIT
  "$build/bench/quillon-bench-unit" import "$tree/mnt/unit" "$mib" "$chunks" >/dev/null
  sources=("$tree"/mnt/unit/VIDEO/QVT/*.M2T)
  size=$(stat -c %s "${sources[@]}" | awk '{s += $1} END {print s}')
  sync

  if [[ -w /proc/sys/vm/drop_caches ]]; then
    cold() { sync; echo 3 >/proc/sys/vm/drop_caches; }
    how_cold="sync; echo 3 > /proc/sys/vm/drop_caches"
  else
    cold() { sync; umount "$tree/mnt"; mount "$dev" "$tree/mnt"; }
    how_cold="the source remounted (drop_caches not writable)"
  fi
  limited() { bash -c 'echo $$ >"$0" && exec "$@"' "$procs" "$@"; }
  ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
  fresh() { rm -rf "$tree/out"; mkdir "$tree/out"; cold; }

  check_limit "${sources[0]}"

  for ((r = 1; r <= runs; ++r)); do
    fresh
    times[cp]+="$(ms limited cp "${sources[@]}" "$tree/out/") "
    commit=$("$build/bench/quillon-commit-cost" --file "$tree"/out/*.M2T)
    times[cpsync]+="$(awk '/^fdatasync/{print int($2 * 1000 + 0.5)}' <<<"$commit") "
    times[readback]+="$(awk '/^DONTNEED/{print int($6 * 1000 + 0.5)}' <<<"$commit") "
    fresh
    times[loop]+="$(ms limited "$build/bench/quillon-copy-loop" "$tree/out/loop.M2T" "${sources[@]}") "
    commit=$("$build/bench/quillon-commit-cost" --file "$tree/out/loop.M2T")
    times[joinedrb]+="$(awk '/^DONTNEED/{print int($6 * 1000 + 0.5)}' <<<"$commit") "
    fresh
    times[loopsync]+="$(ms limited "$build/bench/quillon-copy-loop" --sync "$tree/out/loop.M2T" "${sources[@]}") "
    fresh
    times[loopwb]+="$(ms limited "$build/bench/quillon-copy-loop" --sync --writeback 8 "$tree/out/loop.M2T" "${sources[@]}") "
    fresh
    times[import]+="$(ms limited "$cli" import "$tree/mnt/unit" "$tree/out" --overwrite all) "
    fresh
    times[noverify]+="$(ms limited "$cli" import "$tree/mnt/unit" "$tree/out" --overwrite all --no-verify) "
  done
  rm -rf "$tree/out"

  # Per turn: cp + read-back, and cp + fdatasync + read-back.
  read -ra cp <<<"${times[cp]}"; read -ra sy <<<"${times[cpsync]}"; read -ra rb <<<"${times[readback]}"
  read -ra jrb <<<"${times[joinedrb]}"
  for ((i = 0; i < runs; ++i)); do
    times[cprb]+="$((cp[i] + rb[i])) "
    times[cpsyrb]+="$((cp[i] + sy[i] + rb[i])) "
    times[cpjrb]+="$((cp[i] + jrb[i])) "
    times[cpsyjrb]+="$((cp[i] + sy[i] + jrb[i])) "
  done
  s() { awk -v m="$1" 'BEGIN{printf "%.3f", m / 1000}'; }
  row() { printf '%-46s %8s s   (%d runs: %s-%s s)\n' "$1" "$(s "$(best "$2")")" "$runs" "$(s "$(best "$2")")" "$(s "$(worst "$2")")"; }

  echo "date:         $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "machine:      $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1), kernel $(uname -r);"\
    "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "source:       ext4 image on $dev (direct I/O to its backing file), private mount namespace"
  echo "limit:        $((rate / 1000000)) MB/s of reads on $dev through $mechanism; $probe_mib MiB read cold: $measured MB/s"
  echo "destination:  $(df -T "$tree" | awk 'NR==2{print $2" on "$1}'), not limited"
  echo "caches:       dropped before each run ($how_cold)"
  printf 'bytes:        %d (%d chunks joined into one file, %d MiB; one pass over them at the limit: %.1f s)\n' \
    "$size" "$chunks" "$mib" "$(awk -v b="$size" -v r="$rate" 'BEGIN{print b / r}')"
  ((mib >= 1024)) || echo "              (smaller than the 1 GiB of bench/import.sh, to keep the runs short)"
  echo
  row "cp of the chunk files" cp
  row "  fdatasync of cp's copies" cpsync
  row "  DONTNEED + read-back + XXH3-128 of them" readback
  row "  the same, of one joined file (the loop's)" joinedrb
  row "cp + read-back of cp's copies (per run)" cprb
  row "cp + read-back of one joined file" cpjrb
  row "cp + fdatasync + read-back of one joined file" cpsyjrb
  row "plain 1024-byte loop" loop
  row "plain 1024-byte loop + fdatasync" loopsync
  row "  the same, written back every 8 MiB" loopwb
  row "quillon-cli import (read-back check on)" import
  row "quillon-cli import --no-verify" noverify
  verdict() {
    local d=$(( $(best import) - $(best "$1") ))
    printf '%-46s %8s s   ratio %s, %s\n' "import - ($2)" "$(s "$d")" \
      "$(awk -v a="$(best import)" -v b="$(best "$1")" 'BEGIN{printf "%.3f", a / b}')" \
      "$( ((d <= 0)) && echo "aim met" || echo "aim missed")"
  }
  echo "best of each; the aim: the import takes no longer than cp plus the read-back"
  verdict cprb "cp + read-back of cp's copies"
  verdict cpjrb "cp + read-back of one joined file"
  verdict cpsyjrb "cp + fdatasync + read-back, joined"
  printf '%-46s %8s s\n' "the read-back check adds (import - --no-verify)" "$(s $(( $(best import) - $(best noverify) )))"
  exit 0
fi

mib="${1:-256}"
chunks="${2:-8}"
runs="${3:-3}"
rate="${4:-35000000}"

((EUID == 0)) || skip "needs root (loop device, private mount namespace, cgroup limits)"
for tool in losetup mkfs.ext4 unshare mount lsblk; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
for tool in "$cli" "$build"/bench/quillon-{bench-unit,commit-cost,copy-loop}; do
  [[ -x $tool ]] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
done
[[ $("$cli" --help) == *--no-verify* ]] || { echo "this quillon-cli has no --no-verify: rebuild" >&2; exit 1; }

tree="$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench-throttled-XXXXXX")"
source "$here/bench/timing.sh"
dev="" cgroup=""
trap cleanup EXIT

truncate -s "$((mib * 11 / 10 + 64))M" "$tree/unit.img"
mkfs.ext4 -q -F "$tree/unit.img" || skip "mkfs.ext4 failed"
dev=$(losetup --find --show --direct-io=on "$tree/unit.img" 2>/dev/null) || skip "no loop device could be set up"
majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')

limit_reads "$majmin" "$rate" || skip "$why"

unshare -m --propagation private bash "$0" --inside "$tree" "$dev" "$cgroup/cgroup.procs" "$mechanism" "$mib" "$chunks" "$runs" "$rate"
