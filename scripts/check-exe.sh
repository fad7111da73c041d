#!/usr/bin/env bash
# Checks the built SETUP.EXE files and the UNINST.EXE built beside each: machine,
# GUI subsystem 4.0, imports only from the Windows system DLLs the programs name (no
# C runtime, no static version.dll), and at most 32 KiB for the shipped i686 build.
set -euo pipefail
status=0
check() {
    local exe=$1 format=$2 objdump=$3
    local dump; dump=$($objdump -p "$exe")
    local size; size=$(stat -c %s "$exe")
    echo "$exe: $size bytes"
    grep -q "file format $format" <<<"$dump" || { echo "  FAIL: not $format"; status=1; }
    grep -qE "^Subsystem\s+00000002" <<<"$dump" || { echo "  FAIL: not a GUI program"; status=1; }
    grep -qE "^MajorSubsystemVersion\s+4$" <<<"$dump" && grep -qE "^MinorSubsystemVersion\s+0$" <<<"$dump" \
        || { echo "  FAIL: subsystem version is not 4.0"; status=1; }
    local dlls; dlls=$(grep "DLL Name:" <<<"$dump" | awk '{print toupper($3)}' | sort -u | tr '\n' ' ')
    echo "  imports: $dlls"
    for dll in $dlls; do
        case "$dll" in
            KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|OLE32.DLL) ;;
            *) echo "  FAIL: imports $dll"; status=1 ;;
        esac
    done
    if $objdump -x "$exe" | grep -qiE "\.debug_|\.stab"; then echo "  FAIL: not stripped"; status=1; fi
}
check_size() {
    local exe=$1 size; size=$(stat -c %s "$exe")
    [ "$size" -le 32768 ] || { echo "  FAIL: $exe is $size bytes, more than 32 KiB"; status=1; }
}
check "$1" pei-i386 i686-w64-mingw32-objdump
check_size "$1"
uninst32="$(dirname "$1")/UNINST.EXE"
if [ -f "$uninst32" ]; then check "$uninst32" pei-i386 i686-w64-mingw32-objdump; check_size "$uninst32"
else echo "$uninst32: FAIL: missing"; status=1; fi
if [ $# -ge 2 ]; then
    check "$2" pei-x86-64 x86_64-w64-mingw32-objdump
    uninst64="$(dirname "$2")/UNINST.EXE"
    if [ -f "$uninst64" ]; then check "$uninst64" pei-x86-64 x86_64-w64-mingw32-objdump
    else echo "$uninst64: FAIL: missing"; status=1; fi
fi
exit $status
