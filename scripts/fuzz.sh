#!/usr/bin/env bash
# Fuzz campaigns with the libFuzzer targets of fuzz/ (see fuzz/README.md).
#
#   scripts/fuzz.sh <target> <seconds> [extra libFuzzer flags...]
#       One campaign of one target, e.g. scripts/fuzz.sh whole_run 3600. New inputs
#       go to build/fuzz-work/<target> (the seed corpus fuzz/corpus/<target> is
#       read, never written); a crash leaves its input in build/fuzz-artifacts/.
#   scripts/fuzz.sh --ci [seconds]
#       Builds the fuzz preset, replays every seed corpus, then runs every target for
#       the given seconds (60 by default), two at a time. Fails on the first crash or
#       leak.
#
# FUZZ_BUILD_DIR selects the build directory (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=(expand_macros split_command_line parse_options profile_reader whole_run setupcheck uninst_log pe_file)
BUILD_DIR=${FUZZ_BUILD_DIR:-build/fuzz}
# Short allocation stacks and a small quarantine run the whole-run target about
# 1.7 times as fast as the defaults and keep its memory low. Replay a failing input
# without them for full allocation stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=5:quarantine_size_mb=32}
WORK_DIR=build/fuzz-work
ARTIFACT_DIR=build/fuzz-artifacts

build() {
    cmake --preset fuzz -B "$BUILD_DIR" >/dev/null
    cmake --build "$BUILD_DIR" --target fuzz_all -j2
}

binary() { echo "$BUILD_DIR/fuzz/fuzz_$1"; }

options() {
    local target=$1
    local opts=(-dict=fuzz/dict/setup.dict -artifact_prefix="$ARTIFACT_DIR/$target-" -print_final_stats=1)
    # The whole run keeps what the program keeps for good (argument list,
    # environment strings) until the next input resets the machine.
    [ "$target" = whole_run ] && opts+=(-rss_limit_mb=4096)
    echo "${opts[@]}"
}

replay() {
    local target=$1
    local files=(fuzz/corpus/"$target"/*)
    "$(binary "$target")" $(options "$target") -runs=0 "fuzz/corpus/$target" >/dev/null 2>"$WORK_DIR/$target.replay.log" || {
        cat "$WORK_DIR/$target.replay.log" >&2
        echo "fuzz: replay of fuzz/corpus/$target failed" >&2
        return 1
    }
    echo "fuzz: $target: replayed ${#files[@]} corpus inputs"
}

campaign() {
    local target=$1 seconds=$2
    shift 2
    mkdir -p "$WORK_DIR/$target" "$ARTIFACT_DIR"
    local log="$WORK_DIR/$target.log"
    if ! "$(binary "$target")" $(options "$target") -max_total_time="$seconds" "$@" \
            "$WORK_DIR/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target found a failure; input in $ARTIFACT_DIR (log $log)" >&2
        return 1
    fi
    local runs
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -n 1 | awk '{print $2}')
    echo "fuzz: $target: ${runs:-?} executions in ${seconds}s, no failure"
}

mkdir -p "$WORK_DIR" "$ARTIFACT_DIR"
if [ "${1:-}" = --ci ]; then
    seconds=${2:-60}
    build
    for t in "${TARGETS[@]}"; do replay "$t"; done
    # Two campaigns at a time, one per core; each prints its own line when done.
    pids=()
    for t in "${TARGETS[@]}"; do
        campaign "$t" "$seconds" &
        pids+=($!)
        if [ ${#pids[@]} -ge 2 ]; then
            wait "${pids[0]}" || { kill "${pids[@]:1}" 2>/dev/null; exit 1; }
            pids=("${pids[@]:1}")
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || { kill "${pids[@]}" 2>/dev/null; exit 1; }; done
    exit 0
fi

if [ $# -lt 2 ]; then
    sed -n '2,14p' "$0" >&2
    exit 2
fi
target=$1 seconds=$2
shift 2
case " ${TARGETS[*]} " in *" $target "*) ;; *) echo "fuzz: unknown target $target" >&2; exit 2 ;; esac
[ -x "$(binary "$target")" ] || build
campaign "$target" "$seconds" "$@"
