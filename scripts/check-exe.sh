#!/usr/bin/env bash
# Checks the built SETUP.EXE files and the UNINST.EXE built beside each: machine,
# GUI subsystem 4.0, imports only from the Windows system DLLs the programs name (no
# C runtime, no static version.dll), and at most 36 KiB for the shipped i686 build,
# which must also run on processors before the Pentium Pro.
# Also checks every DLL built beside the 32-bit SETUP.EXE (the sample product's and
# the test components, anywhere below its directory): Windows finds an entry point
# such as DllRegisterServer by its plain name, so no exported name carries the
# "@N" of a __stdcall decoration.
#
#   check-exe.sh BUILD32/SETUP.EXE [BUILD64/SETUP.EXE]
set -euo pipefail
status=0
check() {
    local exe=$1 format=$2 objdump=$3
    local dump; dump=$($objdump -p "$exe")
    local size; size=$(stat -c %s "$exe")
    echo "$exe: $size bytes"
    # The shipped program fits in 36 KiB.
    if [ "$format" = pei-i386 ] && [ "$size" -gt 36864 ]; then echo "  FAIL: larger than 36 KiB"; status=1; fi
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
    # Windows 95 and NT 4 run on the 486 and the Pentium, which have no CMOV.
    if [ "$format" = pei-i386 ] && $objdump -d "$exe" | grep -qE "\s(cmov|fcmov)[a-z]*\s"; then
        echo "  FAIL: uses CMOV, which processors before the Pentium Pro do not have"; status=1
    fi
}
check_exports() {
    local dll=$1 objdump=$2
    local names; names=$($objdump -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' \
        | sed -n 's/^\s*\[ *[0-9]*\] //p')
    local decorated; decorated=$(grep -E '@[0-9]+$' <<<"$names" || true)
    if [ -n "$decorated" ]; then
        echo "$dll: FAIL: decorated exports: $(tr '\n' ' ' <<<"$decorated")"
        status=1
    else
        echo "$dll: exports $(tr '\n' ' ' <<<"$names")"
    fi
}
check_beside() {
    local setup=$1 format=$2 objdump=$3
    check "$setup" "$format" "$objdump"
    local uninst; uninst="$(dirname "$setup")/UNINST.EXE"
    if [ -f "$uninst" ]; then check "$uninst" "$format" "$objdump"
    else echo "$uninst: FAIL: missing"; status=1; fi
}
check_beside "$1" pei-i386 i686-w64-mingw32-objdump
dlls=$(find "$(dirname "$1")" -iname '*.dll' -type f | sort)
[ -n "$dlls" ] || { echo "no DLLs beside $1"; status=1; }
for dll in $dlls; do check_exports "$dll" i686-w64-mingw32-objdump; done
[ $# -ge 2 ] && check_beside "$2" pei-x86-64 x86_64-w64-mingw32-objdump
exit $status
