#!/usr/bin/env bash
# Installs the Sample Viewer medium (sample/) with the real SETUP.EXE under Wine,
# then removes it again with the UNINST.EXE it installed.
#
#   bash scripts/demo.sh            # with DISPLAY set: you answer the boxes yourself
#   bash scripts/demo.sh --auto     # (or without DISPLAY) on Xvfb: Yes to every question,
#                                   # OK to every report, transcript and screenshot printed
#   bash scripts/demo.sh --win32    # the same with the shipped 32-bit SETUP.EXE on the
#                                   # 32-bit medium, in Wine's WoW64 mode (no screenshot:
#                                   # Wine 8 cannot draw text for 32-bit programs)
#
# Installs what it needs, builds SETUP.EXE (win64 and win32) and the sample product,
# lays out the media in out/medium-win64 and out/medium-win32, boots a fresh Wine
# prefix in out/demo-prefix (out/demo-prefix-win32), and runs D:\SETUP.EXE from the
# medium mounted as drive D:. To show the version check, a newer copy of the shared
# core library is already in the system directory, as another product would have
# left it: the setup asks whether to keep it while its progress window is up.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/out
mode=interactive
bits=64
for arg in "$@"; do
    case "$arg" in
        --auto) mode=auto ;;
        --win32) bits=32 mode=auto ;;
        *) echo "usage: $0 [--auto] [--win32]" >&2; exit 2 ;;
    esac
done
[ -z "${DISPLAY:-}" ] && mode=auto

step() { printf '\n== %s\n' "$*"; }

step "Installing what the demo needs"
bash scripts/install-deps.sh

step "Building SETUP.EXE (win64 for Wine, win32 as shipped) and the sample product"
# DEMO_BUILD_PREFIX puts the builds elsewhere (default: the presets' build/win64, build/win32).
builds=${DEMO_BUILD_PREFIX:-build/}
for preset in win64 win32; do
    cmake --preset "$preset" -B "$root/${builds}$preset" >/dev/null
    cmake --build "$root/${builds}$preset"
done
# Each build lays out the sample medium (sample/) beside its SETUP.EXE.
sample64=$root/${builds}win64/sample
mkdir -p "$out"
rm -rf "$out/medium-win64" "$out/medium-win32"
cp -r "$sample64/medium" "$out/medium-win64"
cp -r "$root/${builds}win32/sample/medium" "$out/medium-win32"
echo "media: $out/medium-win64, $out/medium-win32 (for Windows 95 / NT 4); installed below: $out/medium-win$bits"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "$bits" = 64 ]; then
    step "Booting a fresh Wine prefix"
    export WINEPREFIX=$out/demo-prefix
    logs=$out/demo-logs
    sample=$sample64
    # Where the system directory C:\windows\system32 of the setup lies on the host.
    system_dir=system32
else
    step "Booting a fresh Wine prefix for 32-bit programs (WoW64 mode)"
    # The 32-bit Windows DLLs that scripts/install-deps.sh unpacked; booting and
    # every run need them.
    export WINEDLLPATH=${SETUP_WOW64_DIR:-/opt/setup-wine-wow64}
    export WINEPREFIX=$out/demo-prefix-win32
    logs=$out/demo-logs-win32
    sample=$root/${builds}win32/sample
    # A 32-bit program's C:\windows\system32 is the host's syswow64.
    system_dir=syswow64
fi
medium=$out/medium-win$bits
source "$root/scripts/wine-session.sh"
start_fresh_prefix
if [ "$mode" = auto ]; then start_headless_display; fi
env -u DISPLAY "$wine" wineboot --init >"$logs/wineboot.log" 2>&1
"$wineserver" -w
"$wineserver" -p
drive_c=$WINEPREFIX/drive_c
# The medium as drive D:, like a distribution disk.
ln -sfn "$medium" "$WINEPREFIX/dosdevices/d:"
cp "$sample/sampcore_newer.dll" "$drive_c/windows/$system_dir/sampcore.dll"
echo "prefix: $WINEPREFIX; medium D: -> $medium; display $DISPLAY"
echo "already installed: C:\\windows\\system32\\sampcore.dll version 1.3 (the medium has 1.2)"

if [ "$mode" = interactive ]; then
    step "Running D:\\SETUP.EXE on $DISPLAY: answer the boxes yourself"
    "$wine" 'D:\SETUP.EXE' >"$logs/setup.log" 2>&1 || true
else
    step "Running D:\\SETUP.EXE ($bits-bit) on Xvfb $DISPLAY, answering Yes to every question"
    snap=()
    if [ "$bits" = 64 ]; then
        # A Wine virtual desktop: with no window manager on Xvfb, Wine draws the title
        # bars itself, so the screenshot shows the captions.
        "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >"$logs/reg-desktop.log" 2>&1
        "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$logs/reg-desktop.log" 2>&1
        snap=('--snap=C:\demo\snap')
        rm -f "$out/demo-screenshot.png"
    fi
    mkdir -p "$drive_c/demo"
    # The 64-bit watcher reads and answers the boxes of either build.
    cp "$root/${builds}win64/e2e/e2e_watcher.exe" "$drive_c/demo/"
    "$wine" 'C:\demo\e2e_watcher.exe' '--transcript=C:\demo\transcript.txt' '--ready=C:\demo\watcher.ready' \
        '--done=C:\demo\setup.done' '--answers=*' "${snap[@]}" >"$logs/watcher.log" 2>&1 &
    watcher_pid=$!
    for _ in $(seq 3000); do [ -e "$drive_c/demo/watcher.ready" ] && break; sleep 0.05; done
    "$wine" 'D:\SETUP.EXE' >"$logs/setup.log" 2>&1 &
    setup_pid=$!
    # The watcher holds the first box shown over the progress window until the
    # screenshot is taken.
    while kill -0 "$setup_pid" 2>/dev/null; do
        if [ -e "$drive_c/demo/snap.ready" ] && [ ! -e "$drive_c/demo/snap.go" ]; then
            sleep 0.5
            import -display "$DISPLAY" -window root "$out/demo-screenshot.png" >"$logs/import.log" 2>&1 || true
            touch "$drive_c/demo/snap.go"
        fi
        sleep 0.1
    done
    wait "$setup_pid" || true
    touch "$drive_c/demo/setup.done"
    wait "$watcher_pid" || true

    step "What the user saw (every message box, in order)"
    # The transcript doubles backslashes; shown here as the user read them.
    if [ "$bits" = 64 ]; then
        tr -d '\r' <"$drive_c/demo/transcript.txt" | sed 's/\\\\/\\/g'
    else
        # Icons and window geometry of a 32-bit program are not drawn in WoW64 mode.
        tr -d '\r' <"$drive_c/demo/transcript.txt" | sed 's/\\\\/\\/g' \
            | grep -v '^icon: ' | sed 's/; rect=[0-9,]*; screen=[0-9,]*//'
    fi
    if [ "$bits" = 32 ]; then
        echo "(no screenshot for the 32-bit run: run the 64-bit demo for the picture)"
    elif [ -s "$out/demo-screenshot.png" ]; then
        echo "screenshot of the first box over the progress window: $out/demo-screenshot.png"
    else
        echo "no box came up while the progress window was shown: no screenshot"
    fi
fi

step "Where the files landed"
show_file() {  # windows path, host path
    if [ -e "$2" ]; then
        printf '  %-44s %8d bytes\n' "$1" "$(stat -c %s "$2")"
    else
        printf '  %-44s missing\n' "$1"
    fi
}
show_file 'C:\windows\SAMPLE\viewer.exe' "$drive_c/windows/SAMPLE/viewer.exe"
show_file 'C:\windows\SAMPLE\readme.txt' "$drive_c/windows/SAMPLE/readme.txt"
show_file 'C:\windows\SAMPLE\sampreg.dll' "$drive_c/windows/SAMPLE/sampreg.dll"
show_file 'C:\windows\system32\sampcore.dll' "$drive_c/windows/$system_dir/sampcore.dll"
[ "$bits" = 32 ] && echo "  (the 32-bit system directory: on the host $system_dir)"
if cmp -s "$drive_c/windows/$system_dir/sampcore.dll" "$sample/sampcore_newer.dll"; then
    echo "  (sampcore.dll is still the newer 1.3 copy that was there before)"
elif cmp -s "$drive_c/windows/$system_dir/sampcore.dll" "$medium/sampcore.dll"; then
    echo "  (sampcore.dll is the medium's 1.2 copy)"
fi
for f in "$drive_c"/windows/SAMPLE/*; do
    [ -e "$f" ] || continue
    case "$(basename "$f")" in viewer.exe | readme.txt | sampreg.dll) ;; *) show_file "C:\\windows\\SAMPLE\\$(basename "$f")" "$f" ;; esac
done

step "Written by viewer.exe /setup (C:\\windows\\SAMPLE\\viewer.ini)"
if [ -e "$drive_c/windows/SAMPLE/viewer.ini" ]; then tr -d '\r' <"$drive_c/windows/SAMPLE/viewer.ini"; else echo "(none)"; fi

step "Registered by sampreg.dll (HKCU\\Software\\Sample Software\\Sample Viewer\\Handler)"
"$wine" reg query 'HKCU\Software\Sample Software\Sample Viewer\Handler' /v Path >"$logs/reg-query.log" 2>&1 || true
tr -d '\r' <"$logs/reg-query.log" | grep -i 'Path' || echo "(not registered)"

step "Uninstall log (C:\\windows\\SAMPVIEW.INI)"
if [ -e "$drive_c/windows/SAMPVIEW.INI" ]; then tr -d '\r' <"$drive_c/windows/SAMPVIEW.INI"; else echo "(none)"; fi

step "Removing it again with C:\\windows\\SAMPLE\\uninst.exe, as Add/Remove Programs starts it"
# The entry that "uninst.exe /register SAMPVIEW.INI" wrote during the setup.
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Viewer' /v UninstallString \
    >"$logs/reg-uninstall.log" 2>&1 || true
tr -d '\r' <"$logs/reg-uninstall.log" | grep -i 'UninstallString' || echo "(no Add/Remove Programs entry)"
if [ "$mode" = interactive ]; then
    "$wine" 'C:\windows\SAMPLE\uninst.exe' 'C:\windows\SAMPVIEW.INI' >"$logs/uninst.log" 2>&1 || true
else
    # Yes to the removal, OK to the report. The newer sampcore.dll kept at installation is
    # another product's: it stays without a question (a shared-file question, when one
    # comes, is photographed over the progress window).
    rm -f "$drive_c"/demo/setup.done "$drive_c"/demo/snap.* "$out/demo-uninstall-screenshot.png"
    "$wine" 'C:\demo\e2e_watcher.exe' '--transcript=C:\demo\uninst-transcript.txt' '--ready=C:\demo\uwatcher.ready' \
        '--done=C:\demo\setup.done' '--answers=Yes,OK' '--image=uninst.exe' '--snap=C:\demo\snap' \
        >"$logs/uninst-watcher.log" 2>&1 &
    watcher_pid=$!
    for _ in $(seq 3000); do [ -e "$drive_c/demo/uwatcher.ready" ] && break; sleep 0.05; done
    "$wine" 'C:\windows\SAMPLE\uninst.exe' 'C:\windows\SAMPVIEW.INI' >"$logs/uninst.log" 2>&1 &
    uninst_pid=$!
    while kill -0 "$uninst_pid" 2>/dev/null; do
        if [ -e "$drive_c/demo/snap.ready" ] && [ ! -e "$drive_c/demo/snap.go" ]; then
            sleep 0.5
            import -display "$DISPLAY" -window root "$out/demo-uninstall-screenshot.png" >"$logs/import2.log" 2>&1 || true
            touch "$drive_c/demo/snap.go"
        fi
        sleep 0.1
    done
    uninst_status=0
    wait "$uninst_pid" || uninst_status=$?
    touch "$drive_c/demo/setup.done"
    wait "$watcher_pid" || true
    step "What the user saw while removing (exit code $uninst_status)"
    tr -d '\r' <"$drive_c/demo/uninst-transcript.txt" | sed 's/\\\\/\\/g'
    [ -s "$out/demo-uninstall-screenshot.png" ] &&
        echo "screenshot of the shared-file question: $out/demo-uninstall-screenshot.png"
fi
# The remover lies in the product directory: a temporary copy finishes it.
for _ in $(seq 300); do [ -e "$drive_c/windows/SAMPLE" ] || break; sleep 0.1; done
step "What is left after the removal"
for p in 'windows/SAMPLE' 'windows/SAMPVIEW.INI' 'windows/system32/sampcore.dll'; do
    if [ -e "$drive_c/$p" ]; then echo "  C:\\${p//\//\\}: still there"; else echo "  C:\\${p//\//\\}: gone"; fi
done
"$wine" uninstaller --list >"$logs/uninstaller-list.log" 2>&1 || true
grep -q 'Sample Viewer' "$logs/uninstaller-list.log" && echo "  Add/Remove Programs: still lists Sample Viewer" ||
    echo "  Add/Remove Programs: no longer lists Sample Viewer"

echo
echo "Wine output and logs: $logs"
