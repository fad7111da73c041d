#!/usr/bin/env bash
# Runs the real SETUP.EXE on a medium under Wine, headless, and prints what the person
# would see and what the run left behind.
#
#   bash scripts/try-medium.sh MEDIUM [--windows VERSION] [--answers yes,no,...] [--win32]
#                                     [--grace SECONDS] [--remove] [--compare]
#
# MEDIUM is a directory holding SETUP.INF and the files to install. Its own SETUP.EXE is
# used when it has one; otherwise the one of this tree (win64, or win32 with --win32),
# built first when missing. --windows sets the version Wine reports (win95, win98,
# nt40, win2k, winxp; 95, 98, nt4, 2000, xp as for setupcheck --plan); without it Wine
# reports the modern Windows it is set to by default. --answers gives the answers to
# the boxes of every program in the order they come (yes, no, ok), the remover's after
# the setup's; without it every question is answered Yes and every report OK. A fresh
# Wine prefix is made each time (TRY_PREFIX, default out/try-prefix), with its own Xvfb;
# the medium is drive D:. TRY_BUILD_DIR, TRY_WIN64_DIR and TRY_SETUPCHECK name other
# builds of SETUP.EXE, of the win64 test programs and of setupcheck.
#
# Prints every window and box of every program of the run, tagged with the program
# that showed it (caption, text, buttons, icon, answer, the progress window behind it);
# SETUP.EXE's exit code; the programs still running --grace seconds (default 10) after
# SETUP.EXE ended, which are then ended; every file that is new or changed under C:\;
# the uninstall log the script names; and the restart: offered or not, and what it did
# or left for the next start.
#
# --remove then runs the remover the setup registered, as Add/Remove Programs does (the
# UninstallString of the new entry under ...\CurrentVersion\Uninstall), and prints its
# boxes, its exit code and what stayed of the installation.
#
# --compare plans the medium with setupcheck --plan for the Windows version Wine
# reports (and Wine's own Windows and system directories), and prints where the plan
# and the run differ: the copies SETUP.EXE made, the commands it started, the
# components it registered, its boxes, the uninstall log and the restart; or "plan and
# run agree". The exit code is 0 when the run could be made and reported, 1 when plan
# and run differ (--compare) or the setup registered no remover (--remove), 2 for a
# bad command line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

medium=
windows=
answers='*'
preset=win64
grace=10
remove=
compare=
while [ $# -gt 0 ]; do
    case "$1" in
        --windows) windows=$2; shift 2 ;;
        --answers) answers=$2; shift 2 ;;
        --win32) preset=win32; shift ;;
        --grace) grace=$2; shift 2 ;;
        --remove) remove=1; shift ;;
        --compare) compare=1; shift ;;
        -h | --help) sed -n '2,36p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "try-medium: unknown option $1" >&2; exit 2 ;;
        *) [ -z "$medium" ] || { echo "try-medium: more than one medium" >&2; exit 2; }; medium=$1; shift ;;
    esac
done
usage="usage: try-medium.sh MEDIUM [--windows V] [--answers a,b] [--win32] [--grace S] [--remove] [--compare]"
[ -n "$medium" ] && [ -d "$medium" ] || { echo "$usage" >&2; exit 2; }
[[ "$grace" =~ ^[0-9]+$ ]] || { echo "try-medium: --grace takes whole seconds" >&2; exit 2; }
medium=$(cd "$medium" && pwd)
script=$(find "$medium" -maxdepth 1 -iname setup.inf | head -n1)
[ -n "$script" ] || { echo "try-medium: no SETUP.INF in $medium" >&2; exit 2; }

case "$windows" in
    95) windows=win95 ;; 98) windows=win98 ;; nt4) windows=nt40 ;; 2000) windows=win2k ;; xp) windows=winxp ;;
    '' | win95 | win98 | nt40 | win2k | winxp) ;;
    *) echo "try-medium: unknown Windows version $windows" >&2; exit 2 ;;
esac
# The Windows version setupcheck plans for, by what Wine reports. Wine's default is a
# modern Windows that sets %ProgramFiles%; setupcheck's most modern row stands for it.
plan_windows_default=xp
case "$windows" in
    win95) plan_windows=95 ;; win98) plan_windows=98 ;; nt40) plan_windows=nt4 ;; win2k) plan_windows=2000 ;;
    winxp) plan_windows=xp ;; *) plan_windows=$plan_windows_default ;;
esac
# The watcher's answer names.
answers=$(echo "$answers" | sed 's/\byes\b/Yes/gi; s/\bno\b/No/gi; s/\bok\b/OK/gi')

build=${TRY_BUILD_DIR:-$root/build/$preset}
wine=/usr/lib/wine/wine64
# wine64 runs the 32-bit SETUP.EXE in WoW64 mode with the 32-bit Windows DLLs that
# scripts/install-deps.sh unpacks; the prefix is booted with them too.
if [ "$preset" = win32 ]; then
    export WINEDLLPATH=${SETUP_WOW64_DIR:-/opt/setup-wine-wow64}
    [ -d "$WINEDLLPATH" ] || { echo "try-medium: no 32-bit Windows DLLs in $WINEDLLPATH (scripts/install-deps.sh)" >&2; exit 2; }
fi
wineserver=/usr/lib/wine/wineserver
# The watcher and launcher (64-bit: they serve either build) and setupcheck; the tests
# name their own builds.
e2e_dir=${TRY_WIN64_DIR:-$root/build/win64}/e2e
setupcheck=${TRY_SETUPCHECK:-$root/build/native/setupcheck}
needs=("$build/SETUP.EXE" "$e2e_dir/e2e_watcher.exe" "$e2e_dir/e2e_launch.exe")
[ -z "$compare" ] || needs+=("$setupcheck")
for need in "${needs[@]}"; do
    if [ ! -e "$need" ]; then
        case "$need" in
            "$build"/*) dir=$build ;;
            "$e2e_dir"/*) dir=$(dirname "$e2e_dir") ;;
            *) dir=$(dirname "$setupcheck") ;;
        esac
        echo "building $(basename "$need") in $dir"
        cmake --preset "$(basename "$dir")" -B "$dir" >/dev/null && cmake --build "$dir" -j2 >/dev/null
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
# One server for the whole run: a fresh server start would carry out what a restart
# carries out (pending renames, RunOnce) and so fake one.
"$wineserver" -p
drive_c=$WINEPREFIX/drive_c
try=$drive_c/try
# The medium as drive D:, with SETUP.EXE beside the script when it brings none.
stage=$logs/medium
cp -r "$medium" "$stage"
[ -n "$(find "$stage" -maxdepth 1 -iname setup.exe)" ] || cp "$build/SETUP.EXE" "$stage/SETUP.EXE"
ln -sfn "$stage" "$WINEPREFIX/dosdevices/d:"
mkdir -p "$try"
cp "$e2e_dir/e2e_watcher.exe" "$e2e_dir/e2e_launch.exe" "$try/"

# The registry as the program under test sees it.
view=/reg:64
[ "$preset" = win32 ] && view=/reg:32
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
reg_query() { "$wine" reg query "$@" "$view" 2>/dev/null | tr -d '\r'; }

# The host path of a C:\ or D:\ path, each part matched without case as Windows does;
# nothing when it does not exist.
host_path() {
    local win=$1 base part next
    case "${win:0:2}" in [Cc]:) base=$drive_c ;; [Dd]:) base=$stage ;; *) return 0 ;; esac
    local -a parts
    IFS='\' read -r -a parts <<<"${win:2}"
    for part in "${parts[@]}"; do
        [ -n "$part" ] || continue
        next=$(find "$base" -mindepth 1 -maxdepth 1 -iname "$(printf '%s' "$part" | sed 's/[][*?\\]/\\&/g')" \
            -print -quit 2>/dev/null)
        [ -n "$next" ] || return 0
        base=$next
    done
    printf '%s\n' "$base"
}

# Path, size and time of every file under C:\, tab-separated (paths may hold blanks).
list_files() { find "$drive_c" -type f -printf '%P\t%s\t%T@\n' | LC_ALL=C sort; }

# The watcher's transcript as the person saw it: one backslash where it doubles them.
show_transcript() { tr -d '\r' <"$1" | sed 's/\\\\/\\/g'; }

# Runs a command line verbatim in the prefix, as a shell of Windows starts it, with a
# watcher answering the boxes of every program; $1 names this step's files in C:\try.
# Sets run_code (the full exit code, empty when it never ended by itself).
run_watched() {
    local step=$1 command=$2 answer_list=$3 watcher_pid
    rm -f "$try/$step".*
    printf '%s' "$command" >"$try/$step.cmdline"
    "$wine" 'C:\try\e2e_watcher.exe' "--transcript=C:\\try\\$step.transcript" "--ready=C:\\try\\$step.ready" \
        "--done=C:\\try\\$step.done" "--answers=$answer_list" '--image=*' "--linger=$grace" \
        "--running=C:\\try\\$step.running" >"$logs/$step-watcher.log" 2>&1 &
    watcher_pid=$!
    for _ in $(seq 3000); do [ -e "$try/$step.ready" ] && break; sleep 0.05; done
    # Wine's traces of the programs started, the components loaded and the copies made.
    WINEDEBUG=+pid,trace+process,+loaddll,trace+ver "$wine" 'C:\try\e2e_launch.exe' "C:\\try\\$step.cmdline" \
        "C:\\try\\$step.code" >"$logs/$step.log" 2>&1 || true
    touch "$try/$step.done"
    wait "$watcher_pid" || true
    run_code=$(tr -dc '0-9' <"$try/$step.code" 2>/dev/null || true)
}

# The file name of a command line's program, in lower case: "C:\A B\x.exe" /y -> x.exe.
program_of() {
    local c=$1
    if [ "${c:0:1}" = '"' ]; then c=${c:1}; c=${c%%\"*}; else c=${c%% *}; fi
    c=${c##*\\}
    printf '%s' "${c,,}"
}

# How many answers of the list a transcript took: one per box.
answers_taken() { grep -c '^answer: ' "$1" 2>/dev/null || true; }

# The programs still running when the watch ended, as the watcher wrote them.
show_left_running() {
    local file=$1 what=$2 path seconds
    if [ "$restarted" = yes ]; then
        echo "  none: the restart ended every program"
    elif [ -s "$file" ]; then
        tr -d '\r' <"$file" | while IFS=$'\t' read -r path seconds; do
            printf '  %s: still running %s s after %s ended; ended by try-medium\n' "$path" "$seconds" "$what"
        done
    elif [ -e "$file" ]; then
        printf '  none: every program it started ended within %s s\n' "$grace"
    else
        echo "  (not known: the watch ended with the run, as a restart ends every program)"
    fi
}

# Restart detection: a RunOnce entry that only a restart carries out.
arm_restart_marker() {
    rm -f "$try/restarted.txt"
    printf 'cmd.exe /c echo restarted> C:\\try\\restarted.txt' >"$try/restarted.cmdline"
    "$wine" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v try-medium-restart \
        /d 'C:\try\e2e_launch.exe C:\try\restarted.cmdline' /f /reg:64 >"$logs/reg-runonce.log" 2>&1
}

# Whether a step's program offered the restart, what it was answered and whether
# Windows restarted. Sets restart_offered, restart_answer and restarted.
detect_restart() {
    local transcript=$1 program=$2
    restart_answer=$(tr -d '\r' <"$transcript" 2>/dev/null | awk -v program="$program" '
        /^program: / { mine = tolower(substr($0, 10)) == program } /^text: / { restart = index($0, "needs to be restarted") }
        /^answer: / && mine && restart { print substr($0, 9) }' | tail -n1 || true)
    restart_offered=no
    [ -z "$restart_answer" ] || restart_offered=yes
    # The RunOnce entry runs shortly after the restart itself.
    if [ "$restart_answer" = Yes ]; then
        for _ in $(seq 150); do [ -e "$try/restarted.txt" ] && break; sleep 0.1; done
    fi
    restarted=no
    [ ! -e "$try/restarted.txt" ] || restarted=yes
}

arm_restart_marker
reg_query "$uninstall_key" >"$logs/uninstall-keys-before.txt" || true
list_files >"$logs/before.txt"

wine_version=$(reg_query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion |
    awk '/REG_SZ/ { print $NF }' || true)
case "$wine_version" in
    10.0) wine_version="10.0 (Windows 10)" ;; 6.3) wine_version="6.3 (Windows 8.1)" ;; 6.2) wine_version="6.2 (Windows 8)" ;;
    6.1) wine_version="6.1 (Windows 7)" ;; 6.0) wine_version="6.0 (Windows Vista)" ;;
esac
# A version set for the run is what programs are told; the registry keeps the default's.
case "$windows" in
    win95) wine_version="4.0 (Windows 95)" ;; win98) wine_version="4.10 (Windows 98)" ;;
    nt40) wine_version="4.0 (Windows NT 4.0)" ;; win2k) wine_version="5.0 (Windows 2000)" ;;
    winxp) wine_version="5.1 (Windows XP)" ;;
esac
printf '== Running D:\\SETUP.EXE (%s, Wine reporting Windows %s) on Xvfb %s\n' "$preset" "$wine_version" "$DISPLAY"
run_watched setup 'D:\SETUP.EXE' "$answers"
setup_code=$run_code
setup_pid=$(grep -m1 -i 'trace:loaddll:.*Loaded L"D:\\\\SETUP.EXE"' "$logs/setup.log" | cut -d: -f1 || true)

printf '\n== Every window and box, in order, with the program that showed it\n'
if [ -s "$try/setup.transcript" ]; then show_transcript "$try/setup.transcript"; else echo "(none)"; echo; fi

detect_restart "$try/setup.transcript" setup.exe
if [ "$restarted" = yes ]; then
    printf '== SETUP.EXE ended by the restart (Wine gives every program it ends the code %s)\n' "${setup_code:-0}"
else
    printf '== SETUP.EXE ended with exit code %s\n' "${setup_code:-(none)}"
fi

printf '\n== Programs still running when SETUP.EXE ended (given %s s)\n' "$grace"
show_left_running "$try/setup.running" SETUP.EXE

printf '\n== Files new or changed under C:\\\n'
list_files >"$logs/after.txt"
LC_ALL=C comm -13 "$logs/before.txt" "$logs/after.txt" | grep -v -e '^try/' -e '^users/' -e '^windows/Installer/' \
    >"$logs/changed.txt" || true
cut -f1 "$logs/before.txt" >"$logs/before-paths.txt"
if [ -s "$logs/changed.txt" ]; then
    while IFS=$'\t' read -r path size _; do
        state=new
        grep -qxF -- "$path" "$logs/before-paths.txt" && state=changed
        printf '  C:\\%-50s %10d bytes  %s\n' "${path//\//\\}" "$size" "$state"
    done <"$logs/changed.txt"
else
    echo "  (none)"
fi

printf '\n== Uninstall log\n'
# [SETUP] UninstFile as the profile functions read it: the first key of the first
# [SETUP], blanks around it trimmed, matching quotes removed; never expanded.
log=$(tr -d '\r' <"$script" | awk '
    /^[ \t]*\[/ { s = $0; gsub(/^[ \t]*\[[ \t]*|[ \t]*\].*$/, "", s); insetup = (tolower(s) == "setup" && !seen); if (insetup) seen = 1; next }
    insetup && tolower($0) ~ /^[ \t]*uninstfile[ \t]*=/ {
        sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t]+$/, "")
        if (length($0) >= 2 && (substr($0, 1, 1) == "\"" || substr($0, 1, 1) == "'"'"'") && substr($0, length($0)) == substr($0, 1, 1))
            $0 = substr($0, 2, length($0) - 2)
        print; exit }')
log_host=
log_win=
if [ -z "$log" ]; then
    echo "(the script keeps none)"
else
    case "$log" in *\\* | *:*) log_win=$log ;; *) log_win="C:\\windows\\$log" ;; esac
    log_host=$(host_path "$log_win")
    echo "$log_win:"
    # A copy for the comparison: the removal takes the log away.
    if [ -n "$log_host" ] && [ -f "$log_host" ]; then
        tr -d '\r' <"$log_host" | tee "$logs/uninstall-log.txt"
        log_host=$logs/uninstall-log.txt
    else
        echo "(not written)"; log_host=
    fi
fi

printf '\n== Restart\n'
renames=$(reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations |
    sed -n 's/.*PendingFileRenameOperations[ \t]*REG_MULTI_SZ[ \t]*//p' || true)
wininit=$(host_path 'C:\windows\wininit.ini')
setup_restart_offered=$restart_offered setup_restarted=$restarted
show_restart() {
    if [ "$restarted" = yes ]; then
        echo "offered and accepted: Windows restarted, carrying out what was staged for the next start"
    elif [ "$restart_answer" = Yes ]; then
        echo "offered and accepted, but no restart was seen (the restart's RunOnce entry did not run)"
    elif [ "$restart_offered" = yes ]; then
        echo "offered and declined: Windows was not restarted"
    else
        echo "not offered"
    fi
}
show_restart
if [ -n "$renames" ] || [ -n "$wininit" ]; then
    echo "left for the next start:"
    [ -z "$renames" ] || printf '  PendingFileRenameOperations: %s\n' "$renames"
    [ -z "$wininit" ] || { echo "  C:\\windows\\wininit.ini:"; tr -d '\r' <"$wininit" | sed 's/^/    /'; }
elif [ "$restarted" = no ]; then
    echo "nothing is left for the next start"
fi

status=0
if [ -n "$compare" ]; then
    printf '\n== Plan against the run\n'
    # C:\windows\system32 as the program sees it (the host's syswow64 for a 32-bit one).
    system_dir='C:\windows\system32'
    # The plan is given the answers SETUP.EXE's questions got in the run, in order.
    plan_answers=$(tr -d '\r' <"$try/setup.transcript" 2>/dev/null | awk '
        /^program: / { setup = tolower(substr($0, 10)) == "setup.exe" } /^buttons: / { question = $2 == "YesNo" }
        /^answer: (Yes|No)$/ && setup && question { print tolower($2) }' | paste -sd, - || true)
    plan_args=(--plan --windows "$plan_windows" --windows-dir 'C:\windows' --system-dir "$system_dir")
    [ -z "$plan_answers" ] || plan_args+=(--answers "$plan_answers")
    if [ -z "$windows" ]; then
        printf 'Wine reports Windows %s, a modern Windows that sets %%ProgramFiles%%: compared with the plan for Windows %s.\n' \
            "$wine_version" "$plan_windows"
    else
        printf 'Wine reports Windows %s: compared with the plan for Windows %s.\n' "$wine_version" "$plan_windows"
        # Only the version number changes: the prefix keeps its folders and variables.
        case "$windows" in win95 | win98 | nt40)
            echo "Wine keeps %ProgramFiles% and C:\Program Files all the same, which this version does not have:" \
                "where plan and run differ on them, the plan tells this version." ;;
        esac
    fi
    echo "plan: setupcheck ${plan_args[*]} MEDIUM (the answers SETUP.EXE's questions got in the run)"
    plan_status=0
    "$setupcheck" "${plan_args[@]}" "$stage" >"$logs/plan.txt" 2>"$logs/plan-errors.txt" || plan_status=$?
    if [ "$plan_status" -ge 2 ]; then
        echo "setupcheck could not plan the medium:"; cat "$logs/plan-errors.txt"; exit 2
    fi
    bash "$root/scripts/compare-plan.sh" "$logs/plan.txt" "$logs/setup.log" "$setup_pid" "$try/setup.transcript" \
        "$setup_restart_offered" "$setup_restarted" "${log_win:-}" "${log_host:-}" || status=1
fi

if [ -n "$remove" ]; then
    printf '\n== Removing it as Add/Remove Programs does\n'
    reg_query "$uninstall_key" >"$logs/uninstall-keys-after.txt" || true
    entry=$(grep -i "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\" "$logs/uninstall-keys-after.txt" |
        grep -vxF -f <(grep -i '\\Uninstall\\' "$logs/uninstall-keys-before.txt" || true) | head -n1 || true)
    uninstall_string=
    if [ -n "$entry" ]; then
        uninstall_string=$(reg_query "$entry" /v UninstallString | sed -n 's/^.*UninstallString[ \t]*REG_SZ[ \t]*//p' || true)
    fi
    if [ -z "$uninstall_string" ]; then
        echo "no Add/Remove Programs entry with an UninstallString was added: nothing to run"
        status=1
    else
        echo "entry: $entry"
        echo "UninstallString: $uninstall_string"
        # The remover takes the answers the setup's boxes left.
        remove_answers='*'
        if [ "$answers" != '*' ]; then
            taken=$(answers_taken "$try/setup.transcript")
            remove_answers=$(echo "$answers" | tr ',' '\n' | tail -n +"$((${taken:-0} + 1))" | paste -sd, -)
            [ -n "$remove_answers" ] || remove_answers=','
        fi
        before_removal=$logs/before-removal.txt
        list_files >"$before_removal"
        arm_restart_marker
        run_watched remove "$uninstall_string" "$remove_answers"
        detect_restart "$try/remove.transcript" "$(program_of "$uninstall_string")"
        printf '\n== Every window and box of the removal\n'
        if [ -s "$try/remove.transcript" ]; then show_transcript "$try/remove.transcript"; else echo "(none)"; echo; fi
        if [ "$restarted" = yes ]; then
            printf '== The remover ended by the restart (Wine gives every program it ends the code %s)\n' "${run_code:-0}"
        else
            printf '== The remover ended with exit code %s\n' "${run_code:-(none)}"
        fi
        printf '\n== Restart after the removal\n'
        show_restart
        printf '\n== Programs still running when the remover ended (given %s s)\n' "$grace"
        show_left_running "$try/remove.running" "the remover"
        printf '\n== What stayed of the installation\n'
        stayed=0
        # Every file the setup wrote, and the directories it made.
        while IFS=$'\t' read -r path _; do
            if [ -e "$drive_c/$path" ]; then printf '  C:\\%s\n' "${path//\//\\}"; stayed=1; fi
        done <"$logs/changed.txt"
        cut -f1 "$logs/changed.txt" | while read -r path; do dirname "$path"; done | LC_ALL=C sort -u |
            while read -r dir; do
                [ "$dir" != . ] || continue
                if [ -d "$drive_c/$dir" ] && ! grep -q -- "^${dir//./\\.}/" "$logs/before-paths.txt"; then
                    printf '  C:\\%s\\ (directory)\n' "${dir//\//\\}"
                fi
            done >"$logs/stayed-dirs.txt"
        [ -s "$logs/stayed-dirs.txt" ] && { cat "$logs/stayed-dirs.txt"; stayed=1; }
        if reg_query "$entry" /v UninstallString | grep -q UninstallString; then
            echo "  $entry (the Add/Remove Programs entry)"; stayed=1
        fi
        [ "$stayed" = 1 ] || echo "  nothing: every file, directory and the Add/Remove Programs entry are gone"
    fi
fi

echo
echo "Wine output and logs: $logs"
exit "$status"
