#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) into build-fuzz/ (or $QUILLON_FUZZ_BUILD_DIR)
# and runs each for SECONDS on its seeds from fuzz/corpus, as many at a time as there are
# cores. Fails when any target finds a crash, a leak, a hang, an out-of-bounds access or
# undefined behaviour; the input that did it is kept in the build folder's fuzz-artifacts/.
#   scripts/fuzz.sh SECONDS [TARGET...]      (targets: idx ts_probe dv_probe avi_probe wildcard text scan damage_place rescue_map history mhl_chain)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_FUZZ_BUILD_DIR:-$here/build-fuzz}"
seconds="${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}"
shift
targets=("$@")
((${#targets[@]})) || targets=(idx ts_probe dv_probe avi_probe wildcard text scan damage_place rescue_map history mhl_chain)

"$here/scripts/setup.sh"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_WITH_FUZZ=ON -DQUILLON_WITH_GUI=OFF -DQUILLON_WITH_TESTS=OFF >/dev/null
ninja -C "$build" quillon_fuzzers >/dev/null

artifacts="$build/fuzz-artifacts"
# The scan target makes a unit tree for every input: on tmpfs that is many times faster.
scratch=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
work="$(mktemp -d "$scratch/quillon-fuzz-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run_one() {
  local name="$1"
  mkdir -p "$work/$name/corpus" "$work/$name/tmp"
  # New inputs go to the scratch corpus; the committed seeds are only read.
  TMPDIR="$work/$name/tmp" "$build/fuzz/fuzz_$name" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" \
    "$work/$name/corpus" "$here/fuzz/corpus/$name" >"$work/$name.log" 2>&1 && status=0 || status=$?
  echo "$status" >"$work/$name.status"
}

jobs="$(nproc)"
for name in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  run_one "$name" &
done
wait

failed=0
printf '%-10s %12s %10s %8s  %s\n' target executions "exec/s" corpus result
for name in "${targets[@]}"; do
  status="$(cat "$work/$name.status")"
  log="$work/$name.log"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  corpus="$(find "$work/$name/corpus" -type f | wc -l)"
  if ((status == 0)); then
    result=ok
  else
    result="FAILED (exit $status)"
    failed=1
    cp "$log" "$artifacts/$name.log"
  fi
  printf '%-10s %12s %10s %8s  %s\n' "$name" "${runs:-?}" "${rate:-?}" "$corpus" "$result"
done

if ((failed)); then
  for name in "${targets[@]}"; do
    [ -f "$artifacts/$name.log" ] || continue
    echo "== fuzz_$name"
    grep -E -A30 'ERROR:|runtime error|Timeout|deadly signal|LeakSanitizer' "$artifacts/$name.log" | head -60 || true
  done
  echo "Fuzzing found faults; the inputs are in $artifacts" >&2
  exit 1
fi
