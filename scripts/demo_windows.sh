#!/usr/bin/env bash
# The demo with the Windows launcher under Wine (bash scripts/demo.sh --windows):
# builds the Windows programs, publishes a demo deployment whose launcher and
# Studio stand-in are the Windows builds, serves it on port 8470 and runs the
# launcher in a private Wine prefix under build/demo-wine. Wine resolves names
# through the system, which knows nothing of .localhost names: the run gets a
# hosts file of its own in a private mount namespace. Arguments go to the
# launcher (default: -install -q, then the installed launcher with -ide, as the
# programs shortcut starts it, which starts the stand-in).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

bash scripts/setup.sh
bash scripts/build.sh release
bash scripts/setup_windows.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

build=$repo/build/release
windows=$repo/build/windows
demo=$repo/build/demo-wine
port=8470
default_run=0
[ $# -gt 0 ] || { default_run=1; set -- -install -q; }
server_pid=""
stop() {
    WINEPREFIX=$demo/prefix HOME=$demo/home wineserver -k 2>/dev/null || true
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid"
        wait "$server_pid" 2>/dev/null || true
    fi
    [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT

rm -rf "$demo"
mkdir -p "$demo/root" "$demo/home"
export WINEPREFIX=$demo/prefix HOME=$demo/home WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :97 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:97
fi

echo "== Publishing a demo deployment into $demo/root"
"$build/tools/zorbit-publish/zorbit-publish" \
    --root "$demo/root" --port "$port" --synthetic-mb 8 --synthetic-files 200 \
    --studio "$windows/tools/zorbit-studio-standin/ZorbitStudioBeta.exe" \
    --launcher "$windows/src/ZorbitStudioLauncherBeta.exe" | tee "$demo/published.txt"
guid=$(awk '/^guid /{print $2}' "$demo/published.txt")

echo "== Starting the local platform server on port $port"
"$build/tools/zorbit-platform-server/zorbit-platform-server" --root "$demo/root" \
    --port "$port" --port-file "$demo/port" --journal "$demo/journal.jsonl" \
    >"$demo/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do [ -s "$demo/port" ] && break; sleep 0.1; done
[ -s "$demo/port" ] || { cat "$demo/server.log" >&2; echo "The server did not come up" >&2; exit 1; }

echo "== Making a Wine prefix in $demo/prefix"
wineboot -i >/dev/null 2>&1
# The launcher asks for a browser engine of version 6 or later.
wine reg add 'HKLM\Software\Microsoft\Internet Explorer' /v Version /t REG_SZ /d 9.11.0.0 \
    /f /reg:32 >/dev/null 2>&1
cp "$windows/src/ZorbitStudioLauncherBeta.exe" "$demo/ZorbitStudioLauncherBeta.exe"

{
    cat /etc/hosts
    for site in "" qasite1.; do
        for name in "" www. cdn. data. setup. clientsettings.api. ephemeralcounters.api. \
            versioncompatibility.api.; do
            echo "127.0.0.1 $name${site}zorbit.localhost"
        done
    done
} >"$demo/hosts"

namespace=(unshare --mount --propagation private)
[ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-current-user --mount --propagation private)
run_under_wine() {
    echo "== Running under Wine: $*"
    # shellcheck disable=SC2016
    "${namespace[@]}" sh -c 'mount --bind "$1" /etc/hosts && shift && exec timeout 600 wine "$@"' \
        sh "$demo/hosts" "$@" </dev/null
}
status=0
run_under_wine "$demo/ZorbitStudioLauncherBeta.exe" "$@" || status=$?
installed='C:\Program Files (x86)\vexmoor-qasite1\Versions\'$guid'\ZorbitStudioLauncherBeta.exe'
if [ "$status" -eq 0 ] && [ "$default_run" -eq 1 ]; then
    run_under_wine "$installed" -ide || status=$?
fi

echo
echo "== What happened"
echo "Launcher exit code: $status"
echo "Current version published: $guid"
log=$(find "$demo/prefix/drive_c/users" -name 'ZBT-*.log' -printf '%T@ %p\n' 2>/dev/null |
    sort -rn | head -n 1 | cut -d' ' -f2-)
[ -z "$log" ] || { echo "Launcher log: $log"; tail -n 12 "$log" | tr -d '\r' | sed 's/^/    /'; }
folder=$(find "$demo/prefix/drive_c" -type d -name "$guid" 2>/dev/null | head -n 1)
echo "Installed version folder: ${folder:-none} ($([ -n "$folder" ] && find "$folder" -type f | wc -l) files)"
for hive in HKCU HKLM; do
    wine reg query "$hive\\SOFTWARE\\StudioQTZorbitReg" /reg:32 2>/dev/null | tr -d '\r' |
        sed -n 's/^    /    /p' | sed "s/^/$hive /" || true
done
mapfile -t records < <(find "$demo/prefix/drive_c" -name 'ZorbitStudioBeta.exe.args' 2>/dev/null)
for record in "${records[@]}"; do
    echo "Studio stand-in started; its arguments ($record):"
    sed 's/^/    /' "$record"
done
