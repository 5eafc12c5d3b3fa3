# Sourced by the wrappers.

# `wait_until TENTHS COMMAND…` runs COMMAND every tenth of a second until it succeeds, at most
# TENTHS times; fails when it never did.
wait_until() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# `start_xvfb FOLDER WxHxDEPTH` starts a private X display (Xvfb), keeps its process id in $xvfb
# (the caller stops it) and exports DISPLAY and QT_QPA_PLATFORM=xcb.
start_xvfb() {
    # Xvfb writes the display number it took once it accepts connections.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "$2" 3>"$1/display" 2>/dev/null &
    xvfb=$!
    wait_until 100 test -s "$1/display" ||
        { echo "$(basename "$0"): Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$1/display")" QT_QPA_PLATFORM=xcb
}
