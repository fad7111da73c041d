#!/usr/bin/env bash
# Benchmark of SETUP.EXE: sizes and imports, install throughput, growth with the
# number of entries, start-up and peak memory under wine64, each against a reference
# program of ours, side by side. Prints a table; never fails on a timing.
#
#   bash bench/run.sh [--rounds N] [--out FILE]
#
# BENCH_WIN32_DIR / BENCH_WIN64_DIR: the builds to measure (default build/win32,
# build/win64; both are configured and built first). BENCH_WORK: the Wine prefix,
# media and logs (default build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
win32=${BENCH_WIN32_DIR:-build/win32}
win64=${BENCH_WIN64_DIR:-build/win64}
work=${BENCH_WORK:-build/bench}
args=("$@")
bash scripts/install-deps.sh
mkdir -p "$work"
for pair in "win32 $win32" "win64 $win64"; do
    set -- $pair
    if ! { cmake --preset "$1" -B "$2" && cmake --build "$2" -j2; } >"$work/build-$1.log" 2>&1; then
        tail -30 "$work/build-$1.log"
        echo "build of $1 failed; see $work/build-$1.log" >&2
        exit 1
    fi
done
exec python3 bench/bench.py --win32 "$win32" --win64 "$win64" --work "$work" "${args[@]}"
