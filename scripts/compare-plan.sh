#!/usr/bin/env bash
# Compares what setupcheck --plan said SETUP.EXE would do with what a real run under
# Wine did, and prints the differences by kind, or "plan and run agree". Used by
# try-medium.sh --compare; exit code 0 when they agree, 1 when they differ, 2 for bad
# input.
#
#   compare-plan.sh PLAN WINE-LOG SETUP-PID TRANSCRIPT OFFERED RESTARTED LOG-PATH LOG-FILE
#
# PLAN is setupcheck --plan's text output. WINE-LOG is the run's Wine output with
# WINEDEBUG=+pid,trace+process,+loaddll,trace+ver, SETUP-PID the process id (hex, as
# Wine prints it) of SETUP.EXE in it. TRANSCRIPT is the watcher's, with "program:"
# lines. OFFERED and RESTARTED are yes or no. LOG-PATH is the uninstall log's Windows
# path ("" when the script keeps none), LOG-FILE the file the run wrote there ("" when
# it wrote none).
set -euo pipefail
[ $# -eq 8 ] || { sed -n '7p' "$0" | sed 's/^# *//' >&2; exit 2; }
plan=$1 wine_log=$2 setup_pid=$3 transcript=$4 offered=$5 restarted=$6 log_path=$7 log_file=$8
[ -f "$plan" ] && [ -f "$wine_log" ] || { echo "compare-plan: no plan or Wine log" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One backslash where paths or traces double them.
single_backslashes() { sed 's/\\\\\+/\\/g'; }

# ---- The plan -------------------------------------------------------------------
# Copies as "SOURCE -> DESTINATION"; a forced copy's source is the temporary copy of
# the older-file question, whose name each machine chooses itself.
tr -d '\r' <"$plan" | sed -n 's/^copy: //p' | awk '{
    arrow = index($0, " -> "); from = substr($0, 1, arrow - 1); rest = substr($0, arrow + 4)
    end = index(rest, ": "); to = end ? substr(rest, 1, end - 1) : rest
    if (to ~ / \(forced\)$/) { sub(/ \(forced\)$/, "", to); print "(temporary copy) -> " to " (forced)" }
    else print from " -> " to }' | single_backslashes >"$work/plan-copies"
tr -d '\r' <"$plan" | sed -n 's/^start: //p' >"$work/plan-commands"
tr -d '\r' <"$plan" | sed -n 's/^register: //p' | single_backslashes >"$work/plan-registrations"
tr -d '\r' <"$plan" | sed -n 's/^box: //p' >"$work/plan-boxes"
tr -d '\r' <"$plan" | awk '/^uninstall log: / { inlog = 1; print "path: " substr($0, 16); next }
    inlog && /^  / { print substr($0, 3); next } { inlog = 0 }' >"$work/plan-log"
plan_offered=$(tr -d '\r' <"$plan" | sed -n 's/^restart offered: //p')
plan_restarts=no
grep -q '^restart: ' "$plan" && plan_restarts=yes
printf 'offered: %s; Windows restarts: %s\n' "${plan_offered:-no}" "$plan_restarts" >"$work/plan-restart"

# ---- The run ----------------------------------------------------------------------
# Wine's traces of SETUP.EXE's own process: its copies (VerInstallFileA), the programs
# it started (CreateProcessInternalW, then "started process" when it ran) and the
# components it loaded to register them (every program file loaded but itself; Wine's
# own DLLs are "builtin").
tr -d '\r' <"$wine_log" | awk -v pid="$setup_pid" -v dir="$work" '
    function unquote(s) { gsub(/\\"/, "\"", s); return s }
    function flush_start() { if (pending != "") print pending " (cannot be started)" >> (dir "/run-commands"); pending = "" }
    index($0, pid ":") != 1 { next }
    /:trace:ver:VerInstallFileA \(/ {
        line = $0; sub(/^[^(]*\(/, "", line)
        flags = line; sub(/,.*/, "", flags)
        n = 0; rest = substr(line, length(flags) + 2)
        while (n < 5 && match(rest, /^"([^"\\]|\\.)*"/)) {
            field[++n] = unquote(substr(rest, 2, RLENGTH - 2)); rest = substr(rest, RLENGTH + 2)
        }
        if (n < 5) next
        to = field[4] "\\" field[2]
        if (index("13579bdfBDF", substr(flags, length(flags), 1))) print "(temporary copy) -> " to " (forced)" >> (dir "/run-copies")
        else print field[3] "\\" field[1] " -> " to >> (dir "/run-copies")
        next
    }
    # Wine restarts Windows (ExitWindowsEx) by starting its wineboot: the restart is
    # compared on its own.
    /:trace:process:CreateProcessInternalW app .* cmdline L".*\\wineboot\.exe / { flush_start(); next }
    /:trace:process:CreateProcessInternalW app .* cmdline L"/ {
        flush_start(); line = $0; sub(/^.* cmdline L"/, "", line); sub(/"$/, "", line); pending = unquote(line); next
    }
    /:trace:process:CreateProcessInternalW started process/ {
        if (pending != "") print pending >> (dir "/run-commands"); pending = ""; next
    }
    /:trace:loaddll:.*Loaded L".*: native$/ {
        line = $0; sub(/^.*Loaded L"/, "", line); sub(/" at .*$/, "", line)
        # The first is SETUP.EXE itself, which WoW64 mode loads twice.
        if (image == "") image = line
        else if (line != image) print unquote(line) >> (dir "/run-registrations")
    }
    END { flush_start() }'
for kind in copies commands registrations; do
    touch "$work/run-$kind"
    single_backslashes <"$work/run-$kind" >"$work/run-$kind.tmp" && mv "$work/run-$kind.tmp" "$work/run-$kind"
done
single_backslashes <"$work/plan-commands" >"$work/plan-commands.tmp" && mv "$work/plan-commands.tmp" "$work/plan-commands"
# SETUP.EXE's own boxes, as the plan writes them: CAPTION | TEXT | BUTTONS -> ANSWER.
tr -d '\r' <"$transcript" 2>/dev/null | sed 's/\\\\/\\/g' | awk '
    /^program: / { program = substr($0, 10) } /^caption: / { caption = substr($0, 10) }
    /^text: / { text = substr($0, 7) } /^buttons: / { buttons = substr($0, 10) }
    /^answer: / { if (tolower(program) == "setup.exe") {
        b = buttons; if (b == "YesNo") b = "Yes/No"
        print caption " | " text " | " b " -> " substr($0, 9) } }' >"$work/run-boxes"
{
    if [ -n "$log_path" ]; then
        echo "path: $log_path"
        [ -z "$log_file" ] || tr -d '\r' <"$log_file"
    fi
} >"$work/run-log"
printf 'offered: %s; Windows restarts: %s\n' "$offered" "$restarted" >"$work/run-restart"

# ---- The differences -------------------------------------------------------------
# Windows matches paths and names without case, so the comparison does too.
differ=0
for kind in copies commands registrations boxes log restart; do
    case "$kind" in
        copies) title="files copied" ;; commands) title="commands started" ;;
        registrations) title="components registered" ;; boxes) title="SETUP.EXE's boxes" ;;
        log) title="the uninstall log" ;; restart) title="the restart" ;;
    esac
    if ! diff -i "$work/plan-$kind" "$work/run-$kind" >"$work/diff-$kind"; then
        differ=1
        echo "$title: the plan and the run differ"
        sed -n 's/^< /  plan only: /p; s/^> /  run only:  /p' "$work/diff-$kind"
    fi
done
if [ "$differ" = 0 ]; then
    echo "plan and run agree: files copied, commands started, components registered, SETUP.EXE's boxes, the uninstall log and the restart"
fi
exit "$differ"
