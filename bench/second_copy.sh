#!/usr/bin/env bash
# What a second destination and the "home" marks cost.
#
# 1. An import from a unit as slow as one behind USB 2.0 (as bench/import_throttled.sh: the bench
#    unit on an ext4 image on a loop device in a private mount namespace, its reads limited to
#    BYTES_PER_SECOND, 35 MB/s unless told, by a cgroup; caches dropped before each run), into one
#    destination and into two (--copy-to; the second folder is on the same file system as the
#    first unless QUILLON_BENCH_DEST2 names a folder elsewhere to make it in). Against them: cat
#    of the chunks to /dev/null, and cat into one file + sync + the file read back with the cache
#    dropped (what an import with its read-back check does at the least). For every run the
#    script prints the bytes the unit's device served (its /sys/block stat) and the bytes the
#    run's processes read (rchar, all files), and checks that both destinations hold the chunks'
#    bytes. Needs root; skipped with a message otherwise, or when reads cannot be limited.
# 2. quillon-cli list of a unit of CLIPS small clips (2,000 unless told) with and without
#    --dest DEST, where DEST holds everything imported from it once; best of 5 each, warm cache.
#    Then --dest DEST --check (which hashes the files in DEST again) once.
# 512 MiB and 2 rounds by default: each pass over the unit takes about 15 s at 35 MB/s, the
# whole script 2-3 minutes.
# Usage: bench/second_copy.sh [MIB] [CHUNKS] [RUNS] [CLIPS] [FILES_PER_CLIP] [BYTES_PER_SECOND]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
cli="$build/src/cli/quillon-cli"
# ms CMD... / us CMD...: runs CMD, prints its wall time in milliseconds / microseconds; a failed
# CMD fails the caller rather than giving a time.
elapsed() {
  local unit=$1 t0 t1; shift
  t0=$(date +%s%N)
  "$@" >/dev/null || { echo "failed (exit $?): $*" >&2; return 1; }
  t1=$(date +%s%N)
  echo $(((t1 - t0) / unit))
}
ms() { elapsed 1000000 "$@"; }
us() { elapsed 1000 "$@"; }

# The throttled runs, in the private mount namespace. Arguments come from the outer part.
inside() {
  tree=$1 dev=$2 procs=$3 mechanism=$4 mib=$5 chunks=$6 runs=$7 rate=$8 dest2parent=$9
  skip() { echo "skipped: $*"; exit 0; }
  source "$here/bench/timing.sh"
  out="$tree/out"
  if [[ -n $dest2parent ]]; then
    out2="$(mktemp -d "$dest2parent/quillon-bench-dest2-XXXXXX")"
  else
    out2="$tree/out2"
  fi
  mkdir -p "$tree/mnt" "$out" "$out2"
  mount "$dev" "$tree/mnt"
  trap 'umount "$tree/mnt" 2>/dev/null || true; [[ $out2 == "$tree"/* ]] || rm -rf "$out2"' EXIT
  unit="$tree/mnt/unit"
  "$build/bench/quillon-bench-unit" import "$unit" "$mib" "$chunks" >/dev/null
  sources=("$unit"/VIDEO/QVT/*.M2T)
  size=$(stat -c %s "${sources[@]}" | awk '{s += $1} END {print s}')
  sync

  cold() { sync; echo 3 >/proc/sys/vm/drop_caches; }
  fresh() { rm -rf "$out" "$out2"; mkdir "$out" "$out2"; cold; }
  limited() { bash -c 'echo $$ >"$0" && exec "$@"' "$procs" "$@"; }
  # counted IO_FILE CMD...: like limited, and then the shell's /proc io counters into IO_FILE.
  # A reaped child's counters are added to its parent's, so they hold all that CMD read.
  counted() { bash -c 'echo $$ >"$0"; io=$1; shift; "$@"; rc=$?; cat /proc/$$/io >"$io"; exit $rc' "$procs" "$@"; }
  # Bytes the unit's device has served since it was set up: sectors read, 512 bytes each.
  unit_read() { awk '{printf "%.0f\n", $3 * 512}' "/sys/block/${dev#/dev/}/stat"; }
  declare -A unit_bytes read_bytes
  # measure KEY CMD...: times CMD in the cgroup, and keeps what the unit served and what CMD
  # read meanwhile.
  measure() {
    local key=$1 u0; shift
    u0=$(unit_read)
    times[$key]+="$(ms counted "$tree/io" "$@") "
    unit_bytes[$key]=$(($(unit_read) - u0))
    read_bytes[$key]=$(awk '$1 == "rchar:" {print $2}' "$tree/io")
  }

  check_limit "${sources[0]}"

  same_bytes=yes
  for ((r = 1; r <= runs; ++r)); do
    fresh
    measure one "$cli" import "$unit" "$out" --overwrite all -q
    fresh
    measure two "$cli" import "$unit" "$out" --copy-to "$out2" --overwrite all -q
    # Both destinations hold the same files, and they are the chunks joined.
    [[ $(ls "$out") == "$(ls "$out2")" && -n $(ls "$out") ]] || same_bytes=no
    for f in "$out"/*; do cmp -s "$f" "$out2/${f##*/}" || same_bytes=no; done
    cat "${sources[@]}" | cmp -s - "$out"/*.M2T || same_bytes=no
    fresh
    measure catnull cat "${sources[@]}"
    fresh
    measure catfile sh -c 'cat "$@" >"$0"' "$out/cat.M2T" "${sources[@]}"
    times[sync]+="$(ms sync) "
    cold
    measure readback cat "$out/cat.M2T"
    read -ra tc <<<"${times[catfile]}"; read -ra ts <<<"${times[sync]}"; read -ra tb <<<"${times[readback]}"
    times[catrb]+="$((tc[r - 1] + ts[r - 1] + tb[r - 1])) "
  done
  unit_bytes[catrb]=$((unit_bytes[catfile] + unit_bytes[readback]))
  read_bytes[catrb]=$((read_bytes[catfile] + read_bytes[readback]))

  s() { awk -v m="$1" 'BEGIN{printf "%.3f", m / 1000}'; }
  times_of() { awk -v b="$1" -v s="$size" 'BEGIN{printf "%.3f", b / s}'; }
  fs_of() { df -T "$1" | awk 'NR==2{print $2" on "$1}'; }
  echo "source:       ext4 image on $dev (direct I/O to its backing file), private mount namespace"
  echo "limit:        $((rate / 1000000)) MB/s of reads on $dev through $mechanism; $probe_mib MiB read cold: $measured MB/s"
  echo "DEST:         $out ($(fs_of "$out"))"
  if [[ $(stat -c %d "$out") == "$(stat -c %d "$out2")" ]]; then
    echo "DEST2:        $out2, the same file system and disk as DEST; neither is limited"
  else
    echo "DEST2:        $out2 ($(fs_of "$out2")), another file system; neither is limited"
  fi
  rm -rf "$out" "$out2"
  echo "caches:       dropped before each run (sync; echo 3 > /proc/sys/vm/drop_caches)"
  printf 'bytes:        %d (%d chunks joined into one file, %d MiB; one pass over them at the limit: %.1f s)\n' \
    "$size" "$chunks" "$mib" "$(awk -v b="$size" -v r="$rate" 'BEGIN{print b / r}')"
  echo
  row "quillon-cli import ROOT DEST" one
  row "quillon-cli import ROOT DEST --copy-to DEST2" two
  row "cat of the chunks > /dev/null" catnull
  row "cat of the chunks > one file" catfile
  row "  sync" sync
  row "  read back, cache dropped (cat FILE)" readback
  row "cat + sync + read-back (per run)" catrb
  echo
  echo "best of each; the aim: 1.10 or less"
  verdict() {
    local ratio
    ratio=$(awk -v a="$(best "$1")" -v b="$(best catrb)" 'BEGIN{printf "%.3f", a / b}')
    printf '%-44s %7s     %s\n' "$2 / (cat + read-back)" "$ratio" \
      "$(awk -v r="$ratio" 'BEGIN{print (r <= 1.10 ? "aim met" : "aim missed")}')"
  }
  verdict one "import, one destination"
  verdict two "import, two destinations"
  printf '%-44s %7s s\n' "the second destination adds (two - one)" "$(s $(($(best two) - $(best one))))"
  echo
  echo "bytes read in the last round, and as times the chunk bytes:"
  printf '%-44s %24s   %24s\n' "" "from the unit's device" "all reads (rchar)"
  reads() {
    printf '%-44s %14d = %6sx   %14d = %6sx\n' "$1" "${unit_bytes[$2]}" "$(times_of "${unit_bytes[$2]}")" \
      "${read_bytes[$2]}" "$(times_of "${read_bytes[$2]}")"
  }
  reads "import, one destination" one
  reads "import, two destinations" two
  reads "cat > /dev/null" catnull
  reads "cat + sync + read-back" catrb
  echo "(all reads: the unit once and each destination read back once come to 2x and 3x)"
  unit_times=$(times_of "${unit_bytes[two]}")
  if awk -v t="$unit_times" 'BEGIN{exit !(t < 1.1)}'; then
    echo "the two-destination import read the unit once (${unit_times}x the chunk bytes from its device)"
  else
    echo "the two-destination import read the unit MORE than once (${unit_times}x the chunk bytes from its device)"
  fi
  if [[ $same_bytes == yes ]]; then
    echo "both destinations held the chunks' bytes after every two-destination run"
  else
    echo "the destinations did NOT hold the chunks' bytes after a two-destination run"
    exit 1
  fi
  exit 0
}

# Sets up the limited loop device and its cgroup, then runs the measuring in a private mount
# namespace; returns with a message where that cannot be done.
throttled() {
  local tool majmin v2 mechanism
  ((EUID == 0)) || { echo "skipped: needs root (loop device, private mount namespace, cgroup limits)"; return 0; }
  for tool in losetup mkfs.ext4 unshare mount lsblk; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; return 0; }
  done
  [[ -w /proc/sys/vm/drop_caches ]] || { echo "skipped: /proc/sys/vm/drop_caches cannot be written"; return 0; }

  truncate -s "$((mib * 11 / 10 + 64))M" "$tree/unit.img"
  mkfs.ext4 -q -F "$tree/unit.img" || { echo "skipped: mkfs.ext4 failed"; return 0; }
  dev=$(losetup --find --show --direct-io=on "$tree/unit.img" 2>/dev/null) ||
    { echo "skipped: no loop device could be set up"; return 0; }
  majmin=$(lsblk -dno MAJ:MIN "$dev" | tr -d ' ')

  limit_reads "$majmin" "$rate" || { echo "skipped: $why"; return 0; }
  unshare -m --propagation private bash "$0" --inside "$tree" "$dev" "$cgroup/cgroup.procs" "$mechanism" \
    "$mib" "$chunks" "$runs" "$rate" "$dest2parent"
}

main() {
  mib="${1:-512}"
  chunks="${2:-8}"
  runs="${3:-2}"
  clips="${4:-2000}"
  per="${5:-1}"
  rate="${6:-35000000}"
  dest2parent="${QUILLON_BENCH_DEST2:-}"

  for tool in "$cli" "$build/bench/quillon-bench-unit"; do
    [[ -x $tool ]] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
  done
  [[ $("$cli" import --help 2>&1 || true) == *--copy-to* ]] ||
    { echo "quillon-cli has no --copy-to: build the current tree" >&2; exit 1; }
  list_help="$("$cli" list --help 2>&1 || true)"
  [[ $list_help == *--dest* && $list_help == *--check* ]] ||
    { echo "quillon-cli list has no --dest or no --check: build the current tree" >&2; exit 1; }
  [[ -z $dest2parent || -d $dest2parent ]] || { echo "QUILLON_BENCH_DEST2: no folder $dest2parent" >&2; exit 1; }

  source "$here/bench/timing.sh"
  load_start="$(cut -d" " -f1-3 /proc/loadavg)"
  tree="$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench-second-XXXXXX")"
  dev="" cgroup=""
  trap cleanup EXIT

  echo "== Import from a unit limited to $((rate / 1000000)) MB/s: one destination, two, and cat"
  throttled
  echo

  echo "== Clips marked home: quillon-cli list with and without --dest"
  root="$tree/list" home="$tree/home"
  "$build/bench/quillon-bench-unit" list "$root" "$clips" "$per" >/dev/null
  mkdir "$home"
  import_ms=$(ms "$cli" import "$root" "$home" --overwrite all -q)
  files=$(find "$home" -type f | wc -l)
  # Warm the cache for the unit and for DEST, then take turns.
  "$cli" list "$root" >/dev/null
  "$cli" list "$root" --dest "$home" >/dev/null
  find "$home" -type f -exec cat {} + >/dev/null
  plain=999999999 marked=999999999
  for _ in 1 2 3 4 5; do
    t=$(us "$cli" list "$root"); ((t < plain)) && plain=$t
    t=$(us "$cli" list "$root" --dest "$home"); ((t < marked)) && marked=$t
  done
  check=$(us "$cli" list "$root" --dest "$home" --check)
  # Rows --dest changed: none would mean it marked nothing.
  changed=$(diff <("$cli" list "$root") <("$cli" list "$root" --dest "$home") | grep -c '^>' || true)
  rows=$("$cli" list "$root" | wc -l)

  msf() { awk -v u="$1" 'BEGIN{printf "%.1f ms", u / 1000}'; }
  printf '%-48s %s (%d chunk files)\n' "unit" "$clips clips" "$((clips * per))"
  printf '%-48s %d files, imported once in %s s\n' "DEST" "$files" "$(awk -v m="$import_ms" 'BEGIN{printf "%.2f", m / 1000}')"
  printf '%-48s %s\n' "quillon-cli list ROOT (best of 5)" "$(msf "$plain")"
  printf '%-48s %s\n' "quillon-cli list ROOT --dest DEST (best of 5)" "$(msf "$marked")"
  printf '%-48s %s   (aim: 1.5 or less)\n' "ratio --dest / plain" "$(awk -v a="$marked" -v b="$plain" 'BEGIN{printf "%.2f", a / b}')"
  printf '%-48s %s\n' "quillon-cli list ROOT --dest DEST --check" "$(msf "$check") (once; hashes DEST's files)"
  printf '%-48s %d of %d\n' "rows --dest changed" "$changed" "$rows"
  echo
  machine_lines "$tree" "$load_start"
}

# Dispatched on the last line, so that an error that ends a function never runs the other part.
if [[ ${1:-} == --inside ]]; then shift; inside "$@"; else main "$@"; fi
