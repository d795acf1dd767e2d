#!/usr/bin/env bash
# Times an import of about 1 GiB of chunk files against a plain loop of 1024-byte read and
# write calls over the same files and against cat, page cache warm; prints quillon-cli's peak
# memory for that import and for a small one, and the probe's bytes read per output file.
# Usage: bench/import.sh [MIB] [CHUNKS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
mib="${1:-1024}"
chunks="${2:-8}"
tree="$(mktemp -d /tmp/quillon-bench-import-XXXXXX)"
trap 'rm -rf "$tree"' EXIT
cli="$build/src/cli/quillon-cli"

"$build/bench/quillon-bench-unit" import "$tree/unit" "$mib" "$chunks"
"$build/bench/quillon-bench-unit" import "$tree/small" 16 "$chunks" >/dev/null
mkdir -p "$tree/out"
sources=("$tree"/unit/VIDEO/QVT/*.M2T)
cat "${sources[@]}" >/dev/null   # warm the cache

secs() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N); awk -v d=$((t1 - t0)) 'BEGIN{printf "%.3f", d/1e9}'; }

rm -f "$tree"/out/*
q=$(secs "$cli" import "$tree/unit" "$tree/out" --overwrite all)
rm -f "$tree"/out/*
loop=$(secs "$build/bench/quillon-copy-loop" "$tree/out/loop.M2T" "${sources[@]}")
rm -f "$tree"/out/*
c=$(secs sh -c "cat $(printf '%q ' "${sources[@]}") > '$tree/out/cat.M2T'")
rm -f "$tree"/out/*
rss=$( { /usr/bin/time -f "%M" "$cli" import "$tree/unit" "$tree/out" --overwrite all >/dev/null; } 2>&1 )
rm -f "$tree"/out/*
rss_small=$( { /usr/bin/time -f "%M" "$cli" import "$tree/small" "$tree/out" --overwrite all >/dev/null; } 2>&1 )
size=$(cat "${sources[@]}" | wc -c)

printf 'bytes imported:            %d (%d chunks joined into one file)\n' "$size" "$chunks"
printf 'quillon-cli import:        %s s\n' "$q"
printf 'plain 1024-byte loop:      %s s\n' "$loop"
printf 'cat:                       %s s\n' "$c"
printf 'ratio import/loop:         %s\n' "$(awk -v a="$q" -v b="$loop" 'BEGIN{printf "%.2f", a/b}')"
printf 'ratio import/cat:          %s\n' "$(awk -v a="$q" -v b="$c" 'BEGIN{printf "%.2f", a/b}')"
printf 'peak RSS, %4d MiB import: %d KiB\n' "$mib" "$rss"
printf 'peak RSS,   16 MiB import: %d KiB\n' "$rss_small"
echo
echo "probe reads per output file (first chunk of each output):"
"$build/bench/quillon-probe-bytes" "${sources[0]}"
