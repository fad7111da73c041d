#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: dependencies, the three
# builds, the native tests (ASan/UBSan), the executable checks and the Wine tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

for preset in native win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

ctest --preset native -j2
bash scripts/check-exe.sh build/win32/SETUP.EXE build/win64/SETUP.EXE
