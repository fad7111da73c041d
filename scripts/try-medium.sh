#!/usr/bin/env bash
# Runs the real SETUP.EXE on a medium under Wine, headless, and prints what the person
# would see and what the run left behind.
#
#   bash scripts/try-medium.sh MEDIUM [--windows VERSION] [--answers yes,no,...] [--win32]
#
# MEDIUM is a directory holding SETUP.INF and the files to install. Its own SETUP.EXE is
# used when it has one; otherwise the one of this tree (win64, or win32 with --win32),
# built first when missing. --windows sets the version Wine reports (win95, win98,
# nt40, win2k, winxp; 95, 98, nt4, 2000, xp as for setupcheck --plan). --answers gives
# the answers to the boxes in the order they come (yes, no, ok); without it every
# question is answered Yes and every report OK. A fresh Wine prefix is made each time
# (TRY_PREFIX, default out/try-prefix), with its own Xvfb; the medium is drive D:.
#
# Prints every box (caption, text, buttons, icon, answer, the progress window behind
# it), every file that is new or changed under C:\ after the run, the uninstall log
# the script names, and whether a restart was offered.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

medium=
windows=
answers='*'
preset=win64
while [ $# -gt 0 ]; do
    case "$1" in
        --windows) windows=$2; shift 2 ;;
        --answers) answers=$2; shift 2 ;;
        --win32) preset=win32; shift ;;
        -h | --help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "try-medium: unknown option $1" >&2; exit 2 ;;
        *) [ -z "$medium" ] || { echo "try-medium: more than one medium" >&2; exit 2; }; medium=$1; shift ;;
    esac
done
[ -n "$medium" ] && [ -d "$medium" ] || { echo "usage: try-medium.sh MEDIUM [--windows V] [--answers a,b] [--win32]" >&2; exit 2; }
medium=$(cd "$medium" && pwd)
script=$(find "$medium" -maxdepth 1 -iname setup.inf | head -n1)
[ -n "$script" ] || { echo "try-medium: no SETUP.INF in $medium" >&2; exit 2; }

case "$windows" in
    95) windows=win95 ;; 98) windows=win98 ;; nt4) windows=nt40 ;; 2000) windows=win2k ;; xp) windows=winxp ;;
esac
# The watcher's answer names.
answers=$(echo "$answers" | sed 's/\byes\b/Yes/gi; s/\bno\b/No/gi; s/\bok\b/OK/gi')

build=${TRY_BUILD_DIR:-$root/build/$preset}
wine=/usr/lib/wine/wine64
# The 32-bit SETUP.EXE needs Wine's 32-bit side (scripts/install-deps.sh installs it).
if [ "$preset" = win32 ]; then
    if [ -x /usr/lib/wine/wine ]; then wine=/usr/lib/wine/wine; else echo "try-medium: no 32-bit Wine; trying wine64" >&2; fi
fi
wineserver=/usr/lib/wine/wineserver
watcher_exe=$root/build/win64/e2e/e2e_watcher.exe
for need in "$build/SETUP.EXE" "$watcher_exe"; do
    if [ ! -e "$need" ]; then
        dir=$(dirname "$(dirname "$need")")
        [ "$need" = "$build/SETUP.EXE" ] && dir=$build
        echo "building $(basename "$need") in $dir"
        p=$(basename "$dir")
        cmake --preset "$p" -B "$dir" >/dev/null && cmake --build "$dir" -j2 >/dev/null
    fi
done

out=$root/out
export WINEPREFIX=${TRY_PREFIX:-$out/try-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
logs=$WINEPREFIX-logs
source "$root/scripts/wine-session.sh"
start_fresh_prefix
start_headless_display

env -u DISPLAY "$wine" wineboot --init >"$logs/wineboot.log" 2>&1
"$wineserver" -w
if [ -n "$windows" ]; then
    "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$windows" /f >"$logs/reg-version.log" 2>&1
    "$wineserver" -w
fi
drive_c=$WINEPREFIX/drive_c
# The medium as drive D:, with SETUP.EXE beside the script when it brings none.
stage=$logs/medium
cp -r "$medium" "$stage"
[ -n "$(find "$stage" -maxdepth 1 -iname setup.exe)" ] || cp "$build/SETUP.EXE" "$stage/SETUP.EXE"
ln -sfn "$stage" "$WINEPREFIX/dosdevices/d:"
mkdir -p "$drive_c/try"
cp "$watcher_exe" "$drive_c/try/"
find "$drive_c" -type f -printf '%P %s %T@\n' | sort >"$logs/before.txt"

printf '== Running D:\\SETUP.EXE (%s%s) on Xvfb %s\n' "$preset" "${windows:+, Windows $windows}" "$DISPLAY"
"$wine" 'C:\try\e2e_watcher.exe' '--transcript=C:\try\transcript.txt' '--ready=C:\try\watcher.ready' \
    '--done=C:\try\setup.done' "--answers=$answers" >"$logs/watcher.log" 2>&1 &
watcher_pid=$!
for _ in $(seq 3000); do [ -e "$drive_c/try/watcher.ready" ] && break; sleep 0.05; done
"$wine" 'D:\SETUP.EXE' >"$logs/setup.log" 2>&1 || true
touch "$drive_c/try/setup.done"
wait "$watcher_pid" || true

printf '\n== Every box, in order\n'
if [ -s "$drive_c/try/transcript.txt" ]; then
    tr -d '\r' <"$drive_c/try/transcript.txt" | sed 's/\\\\/\\/g'
else
    echo "(no box)"
fi

printf '\n== Files new or changed under C:\\\n'
find "$drive_c" -type f -printf '%P %s %T@\n' | sort >"$logs/after.txt"
comm -13 "$logs/before.txt" "$logs/after.txt" | grep -v -e '^try/' -e '^users/' -e '^windows/Installer/' |
    while read -r path size _; do printf '  C:\\%-50s %8d bytes\n' "${path//\//\\}" "$size"; done

printf '\n== Uninstall log\n'
# [SETUP] UninstFile as the profile functions read it: the first key of the first [SETUP].
log=$(tr -d '\r' <"$script" | awk '
    /^[ \t]*\[/ { s = $0; gsub(/^[ \t]*\[[ \t]*|[ \t]*\].*$/, "", s); insetup = (tolower(s) == "setup" && !seen); if (insetup) seen = 1; next }
    insetup && tolower($0) ~ /^[ \t]*uninstfile[ \t]*=/ { sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t]+$/, ""); print; exit }')
if [ -z "$log" ]; then
    echo "(the script keeps none)"
else
    case "$log" in *\\* | *:*) host=$drive_c/${log#?:\\} ;; *) host=$drive_c/windows/$log ;; esac
    host=${host//\\//}
    found=$(find "$(dirname "$host")" -maxdepth 1 -iname "$(basename "$host")" 2>/dev/null | head -n1)
    echo "$log:"
    if [ -n "$found" ]; then tr -d '\r' <"$found"; else echo "(not written)"; fi
fi

printf '\n== Restart\n'
if grep -q 'needs to be restarted' "$drive_c/try/transcript.txt" 2>/dev/null; then
    echo "offered (see the boxes above for the answer)"
else
    echo "not offered"
fi
echo
echo "Wine output and logs: $logs"
