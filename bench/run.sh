#!/usr/bin/env bash
# Benchmark of SETUP.EXE: sizes and imports, install throughput, growth with the
# number of entries, start-up and peak memory under wine64, each against a reference
# program of ours, side by side; then the i686 SETUP.EXE beside a peer installer of
# the same media (NSIS, built here from a generated script) and the version-service
# loop, all 32-bit in WoW64 mode; then UNINST.EXE /S over logs of 1,000 and 10,000
# files beside a DeleteFileA loop. Prints a table; never fails on a timing, but stops
# with an error when a removal it timed did not happen.
#
#   bash bench/run.sh [--rounds N] [--only own|peer|log|remove] [--remove-minutes M] [--out FILE]
#
# BENCH_WIN32_DIR / BENCH_WIN64_DIR: the builds to measure (default build/win32,
# build/win64; both are configured and built first). BENCH_WORK: the Wine prefix,
# media and logs (default build/bench). The 32-bit Windows DLLs for WoW64 mode are
# prepared by scripts/install-deps.sh (SETUP_WOW64_DIR, default /opt/setup-wine-wow64).
set -euo pipefail
cd "$(dirname "$0")/.."
win32=${BENCH_WIN32_DIR:-build/win32}
win64=${BENCH_WIN64_DIR:-build/win64}
work=${BENCH_WORK:-build/bench}
args=("$@")
wow64=${SETUP_WOW64_DIR:-/opt/setup-wine-wow64}
bash scripts/install-deps.sh
# The peer: Debian's NSIS compiler (it builds 32-bit installers).
if ! command -v makensis >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq nsis
fi
mkdir -p "$work"
for pair in "win32 $win32" "win64 $win64"; do
    set -- $pair
    if ! { cmake --preset "$1" -B "$2" && cmake --build "$2" -j2; } >"$work/build-$1.log" 2>&1; then
        tail -30 "$work/build-$1.log"
        echo "build of $1 failed; see $work/build-$1.log" >&2
        exit 1
    fi
done
exec python3 bench/bench.py --win32 "$win32" --win64 "$win64" --work "$work" --wow64 "$wow64" "${args[@]}"
