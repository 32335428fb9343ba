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
#   next time (rebuilds are then incremental, and each fault is first tried on
#   the test that caught it last time); without it a temporary folder is used
#   and removed at the end. A kept DIR holds a git worktree: remove it with
#   `git worktree remove --force DIR/tree`.
#
# Each fault file starts with its description (one line; an optional second
# line "Equivalent: ..." explains why the fault cannot change behaviour), then
# the diff. Output: one line per fault, "caught" (with the test that failed),
# "MISSED" (the whole suite passed), "does not apply" or "does not build"
# (both are faults of the fault file, to be refreshed), then "caught K of N".
# The exit status is 0 only when every fault was caught or shown equivalent.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
WORK=""
PATCHES=()
while [ $# -gt 0 ]; do
    case "$1" in
        --work) WORK="$2"; shift 2 ;;
        -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
HINTS="$WORK/caught-by"
mkdir -p "$LOG" "$HINTS"

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
LINKER=""
for ld in lld gold; do
    if command -v "ld.$ld" >/dev/null 2>&1; then
        LINKER="-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=$ld"
        break
    fi
done
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
    LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    export CCACHE_BASEDIR="$WORK"
fi
echo "building $(git -C "$ROOT" rev-parse --short HEAD) in $WORK"
cmake -S "$TREE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 $LINKER $LAUNCHER \
    >"$LOG/configure.log" 2>&1 || { echo "configure failed: $LOG/configure.log"; KEEP=1; exit 2; }

TESTS=()
while read -r name; do TESTS+=("$name"); done < <(
    ctest --test-dir "$BUILD" -N | sed -n 's/^ *Test *#[0-9]*: *//p')
# Each test is built just before it runs, so a fault caught early costs one
# test's build; the program, the simulator and the help folder come first,
# for the tests that start them. A test whose name is no target builds all.
known="$(ninja -C "$BUILD" -t targets all | sed 's/:.*//')"
COMMON=(meridoc meridoc-sim meridoc_help)
for t in "${COMMON[@]}" "${TESTS[@]}"; do
    grep -qx -- "$t" <<<"$known" || { COMMON=(all); break; }
done
build()  # log, targets...
{
    local log="$1"
    shift
    cmake --build "$BUILD" --target "$@" >>"$log" 2>&1
}
run_test()  # log, test
{
    ctest --test-dir "$BUILD" -R "^$2\$" --output-on-failure >>"$1" 2>&1
}

: >"$LOG/baseline.log"
build "$LOG/baseline.log" all || { echo "the unchanged tree does not build: $LOG/baseline.log"; KEEP=1; exit 2; }
export QT_QPA_PLATFORM=offscreen

# The unchanged tree must pass, timing each test: the quick tests then run
# first, so a caught fault is found early.
declare -A MS_OF=()
for t in "${TESTS[@]}"; do
    begin=$(date +%s%N)
    if ! run_test "$LOG/baseline.log" "$t"; then
        echo "the unchanged tree fails $t: $LOG/baseline.log"
        KEEP=1
        exit 2
    fi
    MS_OF[$t]=$(( ($(date +%s%N) - begin) / 1000000 ))
done
mapfile -t TESTS < <(for t in "${TESTS[@]}"; do echo "${MS_OF[$t]} $t"; done | sort -n | cut -d' ' -f2)
echo "suite of ${#TESTS[@]} tests passes unchanged ($(( $(date +%s) - STARTED )) s so far); faults:"

# Runs the suite on the faulty tree, the test that caught this fault last time
# first, and stops at the first failure. Sets VERDICT to caught (FAILED names
# the test), passed or unbuilt.
run_suite()  # fault name, log
{
    local name="$1" log="$2" hint="" t order=()
    [ -f "$HINTS/$name" ] && hint="$(cat "$HINTS/$name")"
    for t in "${TESTS[@]}"; do
        if [ "$t" = "$hint" ]; then order=("$t" "${order[@]}"); else order+=("$t"); fi
    done
    : >"$log"
    FAILED=""
    if ! build "$log" "${COMMON[@]}"; then
        VERDICT=unbuilt
        return
    fi
    for t in "${order[@]}"; do
        if ! build "$log" "$t"; then
            VERDICT=unbuilt
            return
        fi
        if ! run_test "$log" "$t"; then
            FAILED="$t"
            VERDICT=caught
            echo "$t" >"$HINTS/$name"
            return
        fi
    done
    VERDICT=passed
}

report()  # verdict, fault name, description, start second
{
    printf "%-15s %-32s %s (%d s)\n" "$1" "$2" "$3" "$(($(date +%s) - $4))"
}

CAUGHT=0
TOTAL=0
BROKEN=0
MISSED=0
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
    VERDICT=""
    run_suite "$name" "$LOG/$name.log"
    case "$VERDICT" in
        unbuilt)
            report "does not build" "$name" "$what" "$begin"
            BROKEN=$((BROKEN + 1)) ;;
        caught)
            report "caught" "$name" "$what [$FAILED]" "$begin"
            CAUGHT=$((CAUGHT + 1)) ;;
        *)
            rm -f "$HINTS/$name"
            if [ -n "$equivalent" ]; then
                report "equivalent" "$name" "$what ($equivalent)" "$begin"
            else
                report "MISSED" "$name" "$what" "$begin"
                MISSED=$((MISSED + 1))
            fi ;;
    esac
    # The next build compiles the restored file from the cache along with the next fault.
    git -C "$TREE" apply -R "$patch"
done

ELAPSED=$(( $(date +%s) - STARTED ))
[ "$KEEP" -eq 1 ] && echo "logs: $LOG"
printf "took %d min %02d s\n" $((ELAPSED / 60)) $((ELAPSED % 60))
echo "caught $CAUGHT of $TOTAL"
[ "$MISSED" -eq 0 ] && [ "$BROKEN" -eq 0 ]
