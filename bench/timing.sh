# What the timing scripts share; sourced, not run. A script sets `runs`, `names` (the commands'
# keys, in the order of a round), `cmd[KEY]` (each command, as text for eval) and defines
# `fresh` (what comes before each run) and `ms` (runs its arguments, prints the milliseconds).

declare -A times

# Every command once a round, RUNS rounds, so that drift on the machine hits all alike.
take_turns() {
  local r n
  for ((r = 1; r <= runs; ++r)); do
    for n in "${names[@]}"; do
      fresh
      times[$n]+="$(eval "ms ${cmd[$n]}") "
    done
  done
}

best() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n | head -1; }
worst() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n | tail -1; }
# row LABEL KEY: the best time in seconds, and the range over the rounds.
row() { printf '%-44s %7.3f s   (%s runs: %.3f-%.3f s)\n' "$1" "$(awk -v m="$(best "$2")" 'BEGIN{print m/1000}')" "$runs" \
  "$(awk -v m="$(best "$2")" 'BEGIN{print m/1000}')" "$(awk -v m="$(worst "$2")" 'BEGIN{print m/1000}')"; }

# machine_lines FOLDER LOAD_AT_START: the date, the machine and the destination's file system,
# and the load average at the start and now.
machine_lines() {
  echo "date:         $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "machine:      $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(free -g | awk '/^Mem:/{print $2}') GiB,"\
    "kernel $(uname -r); destination $(df -T "$1" | awk 'NR==2{print $2" on "$1}')"
  echo "load average: $2 at the start of the runs, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
}

# Whether the read limit holds: reads the first chunk (32 MiB at most), cold, inside the cgroup,
# and sets measured (MB/s) and probe_mib. Skips the run when the limit did not take. Uses the
# caller's fresh, ms, limited, skip, rate and mechanism.
check_limit() {  # check_limit CHUNK
  fresh
  local bytes took
  bytes=$(stat -c %s "$1")
  ((bytes <= 32 << 20)) || bytes=$((32 << 20))
  took=$(ms limited dd if="$1" of=/dev/null bs=1M count="$bytes" iflag=count_bytes status=none)
  measured=$(awk -v b="$bytes" -v ms="$took" 'BEGIN{printf "%.1f", b / (ms / 1000) / 1e6}')
  probe_mib=$(awk -v b="$bytes" 'BEGIN{printf "%.0f", b / 1048576}')
  if awk -v m="$measured" -v r="$rate" 'BEGIN{exit !(m > 1.5 * r / 1e6)}'; then
    skip "the limit did not take ($measured MB/s read through $mechanism, limit $((rate / 1000000)) MB/s)"
  fi
}

# Makes a cgroup that limits reads of the block device MAJ:MIN to RATE bytes a second: cgroup
# v2's io controller where there is one, else v1 blkio. Sets cgroup and mechanism; else sets why
# and fails.
limit_reads() {  # limit_reads MAJ:MIN RATE
  local v2
  v2=$(awk '$3 == "cgroup2" {print $2; exit}' /proc/mounts)
  if [[ -n $v2 ]] && grep -qw io "$v2/cgroup.controllers" 2>/dev/null &&
     { grep -qw io "$v2/cgroup.subtree_control" || echo +io >"$v2/cgroup.subtree_control"; } 2>/dev/null; then
    cgroup="$v2/quillon-bench-$$"
    mkdir "$cgroup"
    echo "$1 rbps=$2" >"$cgroup/io.max" || { why="io.max refused the limit"; return 1; }
    mechanism="cgroup v2 io.max ($cgroup)"
  elif [[ -w /sys/fs/cgroup/blkio/blkio.throttle.read_bps_device ]]; then
    cgroup="/sys/fs/cgroup/blkio/quillon-bench-$$"
    mkdir "$cgroup"
    echo "$1 $2" >"$cgroup/blkio.throttle.read_bps_device" || { why="blkio refused the limit"; return 1; }
    mechanism="cgroup v1 blkio.throttle.read_bps_device ($cgroup)"
  else
    why="no cgroup can limit reads here (neither a cgroup v2 io controller nor cgroup v1 blkio)"
    return 1
  fi
}

# Removes what a throttled run set up: its cgroup, its loop device and its folder (tree).
cleanup() {
  [[ -n ${cgroup:-} ]] && rmdir "$cgroup" 2>/dev/null || true
  [[ -n ${dev:-} ]] && losetup -d "$dev" 2>/dev/null || true
  rm -rf "$tree"
}
