#!/usr/bin/env bash
# Times the import of two builds of quillon-cli side by side, on the same machine in one run, so
# that a change to the import code can show it did not slow the copy. "Before" is BASE_REV,
# checked out into a temporary git worktree and built (quillon-cli only, no GUI, no tests, the
# current build's build type) into ${TMPDIR:-/tmp}/quillon-bench-base-<commit>, where a later run
# finds it again. "After" is the current build (build/ or $QUILLON_BUILD_DIR); with AFTER_REV set
# (AFTER_REV=HEAD, say, while the working tree does not build) it is that revision instead, built
# the same way into ${TMPDIR:-/tmp}/quillon-bench-after-<commit>. One unit of CHUNKS chunk files
# (MIB MiB in all, one clip) is imported, page cache warm, into an empty folder after a `sync`,
# with and without the read-back check; the builds take turns, RUNS rounds, so that drift hits
# both alike. Prints the best and range of each, the ratios after/before, both builds' peak
# memory, and whether both wrote the same bytes (cmp of one output of each).
# Usage: bench/compare_builds.sh [BASE_REV] [MIB] [CHUNKS] [RUNS]   (a0c85c7 1024 8 5)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLON_BUILD_DIR:-$here/build}"
base_rev="${1:-a0c85c7}"
mib="${2:-1024}"
chunks="${3:-8}"
runs="${4:-5}"
after_rev="${AFTER_REV:-}"
cache_root="${TMPDIR:-/tmp}"

# git status here must not write the index: someone may be at work in this checkout.
git() { command git -C "$here" --no-optional-locks "$@"; }
base_hash="$(git rev-parse --verify --quiet "$base_rev^{commit}")" || { echo "no commit $base_rev" >&2; exit 1; }
if [[ -z $after_rev ]]; then
  for tool in "$build/src/cli/quillon-cli" "$build/bench/quillon-bench-unit"; do
    [[ -x $tool ]] || { echo "missing $tool: build first (scripts/build.sh)" >&2; exit 1; }
  done
else
  after_hash="$(git rev-parse --verify --quiet "$after_rev^{commit}")" || { echo "no commit $after_rev" >&2; exit 1; }
fi

# The same build type and compiler as the current build, where there is one.
cached() { if [[ -f $build/CMakeCache.txt ]]; then sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; fi; }
build_type="$(cached CMAKE_BUILD_TYPE)"
build_type="${build_type:-${QUILLON_BUILD_TYPE:-RelWithDebInfo}}"
cxx="$(cached CMAKE_CXX_COMPILER)"

tree="$(mktemp -d "$cache_root/quillon-bench-compare-XXXXXX")"
worktree=""
cleanup() {
  if [[ -n $worktree ]]; then
    git worktree remove --force "$worktree" 2>/dev/null || { rm -rf "$worktree"; git worktree prune; }
  fi
  rm -rf "$tree"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# build_at KIND HASH PROGRAM...: builds PROGRAM (paths in a build folder, such as
# src/cli/quillon-cli) at commit HASH into $cache_root/quillon-bench-KIND-HASH, unless a build
# there of the same type has them all. Sets `built` to the folder and `how` to what was done.
build_at() {
  local kind=$1 hash=$2 program missing=0 t0 log
  shift 2
  built="$cache_root/quillon-bench-$kind-$hash"
  for program in "$@"; do [[ -x $built/$program ]] || missing=1; done
  grep -qx "CMAKE_BUILD_TYPE:STRING=$build_type" "$built/CMakeCache.txt" 2>/dev/null || missing=1
  if ((!missing)); then how="cached"; return; fi
  echo "building $(git rev-parse --short "$hash") ($build_type, $*) in $built..." >&2
  t0=$(date +%s)
  rm -rf "$built"
  mkdir -p "$built"
  log="$built/build.log"
  worktree="$tree/src-$kind"
  git worktree add --detach "$worktree" "$hash" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  if ! { cmake -S "$worktree" -B "$built" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
           -DQUILLON_WITH_GUI=OFF -DQUILLON_WITH_TESTS=OFF ${cxx:+-DCMAKE_CXX_COMPILER="$cxx"} &&
         ninja -C "$built" "${@##*/}"; } >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "the build of $(git rev-parse --short "$hash") failed (log: $log)" >&2
    exit 1
  fi
  git worktree remove --force "$worktree"
  worktree=""
  how="built now, $(($(date +%s) - t0)) s"
}

build_at base "$base_hash" src/cli/quillon-cli
before_cli="$built/src/cli/quillon-cli"
before_label="$(git rev-parse --short "$base_hash") ($build_type in $built, $how)"
if [[ -n $after_rev ]]; then
  build_at after "$after_hash" src/cli/quillon-cli bench/quillon-bench-unit
  after_cli="$built/src/cli/quillon-cli"
  make_unit="$built/bench/quillon-bench-unit"
  after_label="$(git rev-parse --short "$after_hash") ($build_type in $built, $how)"
else
  after_cli="$build/src/cli/quillon-cli"
  make_unit="$build/bench/quillon-bench-unit"
  # Sources changed since HEAD, and whether the build is older than them (it is not built here).
  mapfile -t changed < <(git status --porcelain --untracked-files=all | cut -c4- | sed 's/.* -> //' |
                         grep -E '^(src/|cmake/|CMakeLists.txt)' || true)
  newer=0
  for path in ${changed[@]+"${changed[@]}"}; do
    if [[ $here/$path -nt $after_cli ]]; then newer=$((newer + 1)); fi
  done
  after_label="$(git rev-parse --short HEAD)"
  ((${#changed[@]} == 0)) || after_label+=" + ${#changed[@]} changed source files"
  after_label+=", as built in $build"
  ((newer == 0)) || after_label+=" ($newer of them newer than this build: scripts/build.sh first?)"
fi
for cli in "$before_cli" "$after_cli"; do
  [[ $("$cli" --help) == *--no-verify* ]] || { echo "$cli has no --no-verify" >&2; exit 1; }
done

"$make_unit" import "$tree/unit" "$mib" "$chunks" >/dev/null
sources=("$tree"/unit/VIDEO/QVT/*.M2T)
size=$(cat "${sources[@]}" | wc -c)
out="$tree/out"
load_start="$(cut -d" " -f1-3 /proc/loadavg)"

# Before each run: an empty output folder, the unit in the page cache, and what the run before
# left written back.
fresh() { rm -rf "$out"; mkdir "$out"; cat "${sources[@]}" >/dev/null; sync; }
import() { "$@" </dev/null >/dev/null 2>"$tree/stderr" || { cat "$tree/stderr" >&2; echo "failed: $*" >&2; return 1; }; }
ms() { local t0 t1; t0=$(date +%s%N); import "$@" || return 1; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }

source "$here/bench/timing.sh"
names=(before after before_nv after_nv)
declare -A cmd
cmd[before]="\"\$before_cli\" import \"\$tree/unit\" \"\$out\" --overwrite all"
cmd[after]="\"\$after_cli\" import \"\$tree/unit\" \"\$out\" --overwrite all"
cmd[before_nv]="\"\$before_cli\" import \"\$tree/unit\" \"\$out\" --overwrite all --no-verify"
cmd[after_nv]="\"\$after_cli\" import \"\$tree/unit\" \"\$out\" --overwrite all --no-verify"
take_turns

# Peak memory of each, one more run apiece. The checked runs also keep their outputs, which
# must be the same bytes.
declare -A rss
for n in "${names[@]}"; do
  fresh
  if [[ -x /usr/bin/time ]]; then
    eval "import /usr/bin/time -o \"\$tree/rss\" -f %M ${cmd[$n]}"
    rss[$n]="$(tail -n 1 "$tree/rss")"
  else
    eval "import ${cmd[$n]}"
  fi
  if [[ $n == before ]]; then
    mv "$out" "$tree/kept"
  elif [[ $n == after ]]; then
    same=1
    outputs="$(cd "$out" && echo *)"
    [[ $(cd "$tree/kept" && echo *) == "$outputs" ]] || same=0
    for file in "$tree"/kept/*; do cmp -s "$file" "$out/${file##*/}" || same=0; done
    rm -rf "$tree/kept"
  fi
done
rm -rf "$out"

# The ratio of the best times, and its range over the rounds (after / before of the same round).
ratio() {
  local per
  per="$(paste <(tr ' ' '\n' <<<"${times[$1]}" | grep .) <(tr ' ' '\n' <<<"${times[$2]}" | grep .) |
    awk '{r = $1 / $2; if (NR == 1 || r < lo) lo = r; if (NR == 1 || r > hi) hi = r} END{printf "%.2f-%.2f", lo, hi}')"
  printf '%-44s %s   (round by round: %s)\n' "$3" "$(awk -v a="$(best "$1")" -v b="$(best "$2")" 'BEGIN{printf "%.2f", a/b}')" "$per"
}

machine_lines "$tree" "$load_start"
echo "before:       $before_label"
echo "after:        $after_label"
printf 'bytes imported: %d (%d chunks joined into one file); best of %d turns, page cache warm\n\n' "$size" "$chunks" "$runs"
row "before: quillon-cli import (check on)" before
row "after:  quillon-cli import (check on)" after
row "before: quillon-cli import --no-verify" before_nv
row "after:  quillon-cli import --no-verify" after_nv
ratio after before "ratio after / before, check on"
ratio after_nv before_nv "ratio after / before, --no-verify"
if [[ -x /usr/bin/time ]]; then
  printf 'peak RSS, %4d MiB import, check on:       before %d KiB, after %d KiB\n' "$mib" "${rss[before]}" "${rss[after]}"
  printf 'peak RSS, %4d MiB import, --no-verify:    before %d KiB, after %d KiB\n' "$mib" "${rss[before_nv]}" "${rss[after_nv]}"
else
  echo "peak RSS: not measured (no /usr/bin/time)"
fi
if ((same)); then
  echo "outputs:      the same bytes from both builds (cmp of $outputs)"
else
  echo "outputs:      DIFFERENT: the builds did not write the same files or bytes ($outputs)"
  exit 1
fi
