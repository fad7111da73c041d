# Sourced by demo.sh and try-medium.sh: a fresh Wine prefix for one run, its
# server ended when the script ends, and a headless display. Needs $wineserver,
# $WINEPREFIX and $logs set.

# Empties the logs, ends a server left on the old prefix, removes the prefix, and
# ends this run's server and Xvfb when the script exits.
start_fresh_prefix() {
    rm -rf "$logs"
    mkdir -p "$logs"
    if [ -d "$WINEPREFIX" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
    rm -rf "$WINEPREFIX"
    xvfb_pid=
    trap end_wine_session EXIT
}

end_wine_session() {
    "$wineserver" -k >"$logs/wineserver-kill.log" 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

# An Xvfb of this run's own; it chooses a free display number itself and writes it
# to the file. Sets DISPLAY.
start_headless_display() {
    exec 7>"$logs/xvfb.display"
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 7>&-
    for _ in $(seq 250); do [ -s "$logs/xvfb.display" ] && break; sleep 0.02; done
    export DISPLAY=":$(head -n1 "$logs/xvfb.display")"
}
