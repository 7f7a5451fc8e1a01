#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest (the Windows build's
# CMAKE_CROSSCOMPILING_EMULATOR): wine_run.sh <state folder> <program.exe> [args].
# The state folder (in the build folder) holds one Wine prefix with a private
# HOME, made once under a lock, a persistent wine server so each program starts
# in a fraction of a second, and one Xvfb that every program gets as its display
# (a prefix once started without a display keeps an explorer.exe without a
# driver, which breaks later runs with one).
# wine_run.sh <state folder> --stop ends the server and the X server.
set -euo pipefail
# A step that fails says which, also when its own message is silenced.
trap 'echo "wine_run.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
state=$(mkdir -p "$1" && cd "$1" && pwd)
shift
export WINEPREFIX=$state/prefix HOME=$state/home WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES=winemenubuilder.exe=d WINEARCH=win64
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

stop() {
    [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
}

xvfb_alive() {
    [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_xvfb() {
    xvfb_alive && return 0
    local displayfd
    displayfd=$(mktemp -u "$state/displayfd.XXXXXX")
    mkfifo "$displayfd"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfd" \
        >/dev/null 2>&1 </dev/null 9>&- &
    echo $! >"$state/xvfb.pid"
    read -r number <"$displayfd"
    rm -f "$displayfd"
    echo ":$number" >"$state/display"
}

prepare() {
    mkdir -p "$HOME"
    start_xvfb
    export DISPLAY=$(cat "$state/display")
    if [ ! -f "$WINEPREFIX/.zorbit-ready" ]; then
        rm -rf "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 </dev/null 9>&-
        wineserver -w
        touch "$WINEPREFIX/.zorbit-ready"
    fi
    # Persistent: it stays when the last program ends, until --stop. A fresh
    # server's helper processes start here, away from the caller's output,
    # which ctest reads until every holder has closed it.
    if wineserver -p >/dev/null 2>&1 </dev/null 9>&-; then
        "$wine" wineboot.exe >/dev/null 2>&1 </dev/null 9>&-
    fi
}

if [ "${1:-}" = "--stop" ]; then
    stop
    exit 0
fi

# The prefix, the server and the X server, made or restarted where gone.
ready() {
    exec 9>"$state/lock"
    flock 9
    prepare
    flock -u 9
    export DISPLAY=$(cat "$state/display")
}

# The output goes through files, not pipes: helpers Wine starts on the way
# (its desktop process) inherit the program's output and outlive it, and a
# pipe would keep ctest waiting for them. A test program that ran always
# prints; one that printed nothing did not start (seen about once in a
# thousand starts, without a word from Wine): it is started again, and
# silence after that is a failure, whatever the exit code.
output=$(mktemp "$state/output.XXXXXX")
errors=$(mktemp "$state/errors.XXXXXX")
trap 'rm -f "$output" "$errors"' EXIT
for attempt in 1 2 3; do
    ready
    code=0
    "$wine" "$@" >"$output" 2>"$errors" </dev/null 9>&- || code=$?
    [ -s "$output" ] && break
    echo "wine_run.sh: $1 printed nothing (exit $code, attempt $attempt)" >&2
    cat "$errors" >&2
done
cat "$output"
cat "$errors" >&2
if [ ! -s "$output" ]; then
    echo "wine_run.sh: $1 did not run" >&2
    exit 1
fi
exit "$code"
