#!/usr/bin/env bash
# Times `quillon-cli list` on a unit of 2,000 clips and 10,000 chunk files against `find` over
# the same tree, and prints peak memory. Usage: bench/list.sh [CLIPS] [FILES_PER_CLIP]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
clips="${1:-2000}"
per="${2:-5}"
runs=5
tree="$(mktemp -d /tmp/quillon-bench-list-XXXXXX)"
trap 'rm -rf "$tree"' EXIT

"$build/bench/quillon-bench-unit" list "$tree" "$clips" "$per"
cli="$build/src/cli/quillon-cli"
"$cli" list "$tree" >/dev/null; find "$tree" >/dev/null   # warm the cache

best() {  # best wall time in ms of $runs runs of the command
  local best=999999999 t0 t1 ms
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000 ))
    (( ms < best )) && best=$ms
  done
  echo "$best"
}

list_us=$(best "$cli" list "$tree")
find_us=$(best find "$tree")
json_us=$(best "$cli" list "$tree" --json)
rows=$("$cli" list "$tree" | wc -l)
rss=$( { /usr/bin/time -f "%M" "$cli" list "$tree" >/dev/null; } 2>&1 )
rss_small=$( { /usr/bin/time -f "%M" "$cli" list /nonexistent >/dev/null; } 2>&1 )

printf 'rows listed:            %d\n' "$rows"
printf 'quillon-cli list:       %d.%03d ms (best of %d)\n' $((list_us/1000)) $((list_us%1000)) "$runs"
printf 'quillon-cli list --json %d.%03d ms (opens every chunk for its size)\n' $((json_us/1000)) $((json_us%1000))
printf 'find:                   %d.%03d ms\n' $((find_us/1000)) $((find_us%1000))
printf 'ratio list/find:        %s\n' "$(awk -v a="$list_us" -v b="$find_us" 'BEGIN{printf "%.2f", a/b}')"
printf 'peak RSS:               %d KiB (empty catalogue: %d KiB)\n' "$rss" "$rss_small"
