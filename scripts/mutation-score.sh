#!/bin/bash
# Mutation score of the test suite: applies each small fault kept in
# scripts/mutations/ in turn to a scratch checkout of HEAD, rebuilds it, runs
# the default suite there and tells whether the suite caught the fault.
# The tree it is run from is never touched.
#
#   scripts/mutation-score.sh [--work DIR] [PATCH ...]
#
# PATCH: some of the fault files (default: all of scripts/mutations/*.patch).
# --work DIR: keep the scratch checkout and its build in DIR and reuse them
#   next time (rebuilds are then incremental); without it a temporary folder
#   is used and removed at the end. A kept DIR is a git worktree: remove it
#   with `git worktree remove --force DIR/tree`.
#
# Each fault file starts with its description (one line; an optional second
# line "Equivalent: ..." explains why a fault cannot change behaviour), then
# the diff. Output: one line per fault, "caught" (with the test that failed),
# "missed" (the whole suite passed), "does not apply" or "does not build"
# (both are faults of the fault file, to be refreshed), and "caught K of N".
# The exit status is 0 only when every fault was caught or shown equivalent.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
WORK=""
PATCHES=()
while [ $# -gt 0 ]; do
    case "$1" in
        --work) WORK="$2"; shift 2 ;;
        -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) PATCHES+=("$(realpath "$1")"); shift ;;
    esac
done
if [ ${#PATCHES[@]} -eq 0 ]; then
    PATCHES=("$ROOT"/scripts/mutations/*.patch)
fi

KEEP=1
if [ -z "$WORK" ]; then
    WORK="$(mktemp -d "${TMPDIR:-/tmp}/meridoc-mutation.XXXXXX")"
    KEEP=0
fi
mkdir -p "$WORK"
WORK="$(cd "$WORK" && pwd)"
TREE="$WORK/tree"
BUILD="$WORK/build"
LOG="$WORK/log"
mkdir -p "$LOG"

cleanup()
{
    if [ "$KEEP" -eq 0 ]; then
        git -C "$ROOT" worktree remove --force "$TREE" >/dev/null 2>&1 || true
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

STARTED=$(date +%s)
HEAD_SHA="$(git -C "$ROOT" rev-parse HEAD)"
if [ -e "$TREE/.git" ]; then
    # Only files that differ get a new time stamp, so the build stays incremental.
    git -C "$TREE" reset -q --hard
    git -C "$TREE" checkout -q --detach "$HEAD_SHA"
else
    git -C "$ROOT" worktree add -q --detach "$TREE" "$HEAD_SHA"
fi

# Built for speed of building: no optimisation, no debug information, the
# quickest linker at hand. With the base folder set, the compiler cache
# serves any scratch folder.
LAUNCHER=""
LINKER=""
for ld in lld gold; do
    if command -v "ld.$ld" >/dev/null 2>&1; then LINKER="-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=$ld"; break; fi
done
if command -v ccache >/dev/null 2>&1; then
    LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    export CCACHE_BASEDIR="$WORK"
fi
# The suite needs its tests, the program, the simulator and the help folder;
# the benchmarks are left out.
TARGETS=(all)
build()
{
    cmake --build "$BUILD" --target "${TARGETS[@]}" >"$1" 2>&1
}
echo "building $(git -C "$ROOT" rev-parse --short HEAD) in $WORK"
cmake -S "$TREE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 $LINKER $LAUNCHER >"$LOG/configure.log" 2>&1 \
    || { echo "configure failed: $LOG/configure.log"; KEEP=1; exit 2; }

TESTS=()
while read -r name; do TESTS+=("$name"); done < <(
    ctest --test-dir "$BUILD" -N | sed -n 's/^ *Test *#[0-9]*: *//p')
TARGETS=("${TESTS[@]}" meridoc meridoc-sim meridoc_help)
known="$(ninja -C "$BUILD" -t targets all | sed "s/:.*//")"
for t in "${TARGETS[@]}"; do
    grep -qx -- "$t" <<<"$known" || { TARGETS=(all); break; }
done
build "$LOG/build.log" || { echo "the unchanged tree does not build: $LOG/build.log"; KEEP=1; exit 2; }

export QT_QPA_PLATFORM=offscreen

# One test at a time, so the run stops at the first failure and names the test.
# Returns the failing test in FAILED.
FAILED=""
run_suite()
{
    local log="$1" t
    FAILED=""
    : >"$log"
    for t in "${TESTS[@]}"; do
        if ! ctest --test-dir "$BUILD" -R "^${t}\$" --output-on-failure >>"$log" 2>&1; then
            FAILED="$t"
            return 1
        fi
    done
    return 0
}

# The unchanged tree must pass, once, timing each test: the quick tests then
# run first, so a caught fault is found early.
declare -A SECONDS_OF=()
for t in "${TESTS[@]}"; do
    begin=$(date +%s%N)
    if ! ctest --test-dir "$BUILD" -R "^${t}\$" --output-on-failure >>"$LOG/baseline.log" 2>&1; then
        echo "the unchanged tree fails $t: $LOG/baseline.log"
        KEEP=1
        exit 2
    fi
    SECONDS_OF[$t]=$(( ($(date +%s%N) - begin) / 1000000 ))
done
mapfile -t TESTS < <(for t in "${TESTS[@]}"; do echo "${SECONDS_OF[$t]} $t"; done | sort -n | cut -d' ' -f2)
echo "suite of ${#TESTS[@]} tests passes unchanged ($(( $(date +%s) - STARTED )) s so far); faults:"

CAUGHT=0
TOTAL=0
BROKEN=0
MISSED=0
# verdict, fault name, description, seconds the fault took
report()
{
    printf "%-15s %-32s %s (%d s)\n" "$1" "$2" "$3" "$(($(date +%s) - $4))"
}
for patch in "${PATCHES[@]}"; do
    begin=$(date +%s)
    name="$(basename "$patch" .patch)"
    what="$(head -n 1 "$patch")"
    equivalent="$(sed -n '2s/^Equivalent: *//p' "$patch")"
    TOTAL=$((TOTAL + 1))
    if ! git -C "$TREE" apply --check "$patch" 2>/dev/null; then
        report "does not apply" "$name" "$what" "$begin"
        BROKEN=$((BROKEN + 1))
        continue
    fi
    git -C "$TREE" apply "$patch"
    if ! build "$LOG/$name.build.log"; then
        report "does not build" "$name" "$what" "$begin"
        BROKEN=$((BROKEN + 1))
    elif run_suite "$LOG/$name.test.log"; then
        if [ -n "$equivalent" ]; then
            report "equivalent" "$name" "$what ($equivalent)" "$begin"
        else
            report "MISSED" "$name" "$what" "$begin"
            MISSED=$((MISSED + 1))
        fi
    else
        report "caught" "$name" "$what [$FAILED]" "$begin"
        CAUGHT=$((CAUGHT + 1))
    fi
    # The next build compiles the restored file from the cache along with the next fault.
    git -C "$TREE" apply -R "$patch"
done

ELAPSED=$(( $(date +%s) - STARTED ))
[ "$KEEP" -eq 1 ] && echo "logs: $LOG"
printf "took %d min %02d s\n" $((ELAPSED / 60)) $((ELAPSED % 60))
echo "caught $CAUGHT of $TOTAL"
[ "$MISSED" -eq 0 ] && [ "$BROKEN" -eq 0 ]
