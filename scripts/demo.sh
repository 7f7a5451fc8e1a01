#!/usr/bin/env bash
# Sets everything up, builds, publishes a demo deployment (a small synthetic
# Studio build whose Studio is the stand-in), serves it with the local platform
# server on port 8470 (the port the default launcher build points at) and runs
# the launcher against it in a private home under build/demo-home, so the real
# user's files, registry and desktop are never touched. Arguments are handed to
# the launcher (default: none, the double-click start). With --windows first,
# the Windows launcher runs under Wine (scripts/demo_windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
# The Windows launcher under Wine instead.
if [ "${1:-}" = "--windows" ]; then
    shift
    exec bash scripts/demo_windows.sh "$@"
fi

bash scripts/setup.sh
bash scripts/build.sh release

build=$repo/build/release
platform_dir=$repo/build/demo-platform
home=$repo/build/demo-home
port=8470
server_pid=""

stop_server() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid"
        wait "$server_pid" 2>/dev/null || true
    fi
}
trap stop_server EXIT

rm -rf "$platform_dir" "$home"
mkdir -p "$platform_dir/root" "$home/tmp" "$home/run"
chmod 700 "$home" "$home/run" "$home/tmp"

echo "== Publishing a demo deployment into $platform_dir/root"
"$build/tools/zorbit-publish/zorbit-publish" \
    --root "$platform_dir/root" --port "$port" \
    --synthetic-mb 8 --synthetic-files 200 \
    --studio "$build/tools/zorbit-studio-standin/ZorbitStudioBeta.exe" \
    --launcher "$build/src/ZorbitStudioLauncherBeta" | tee "$platform_dir/published.txt"
guid=$(awk '/^guid /{print $2}' "$platform_dir/published.txt")

echo "== Starting the local platform server on port $port"
"$build/tools/zorbit-platform-server/zorbit-platform-server" \
    --root "$platform_dir/root" --port "$port" \
    --port-file "$platform_dir/port" --journal "$platform_dir/journal.jsonl" \
    >"$platform_dir/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$platform_dir/port" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        cat "$platform_dir/server.log" >&2
        echo "The server could not start (is port $port in use?)" >&2
        exit 1
    fi
    sleep 0.1
done
[ -s "$platform_dir/port" ] || { echo "The server did not come up" >&2; exit 1; }

echo "== Running the launcher (private home: $home)"
launcher_env=(HOME="$home"
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
    XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp"
    ZORBIT_STANDIN_LIFETIME_MS=600000)
launcher=("$build/src/ZorbitStudioLauncherBeta" "$@")
launcher_status=0
if [ "$(id -u)" -ne 0 ]; then
    env "${launcher_env[@]}" timeout 600 "${launcher[@]}" </dev/null || launcher_status=$?
else
    # As root the launcher installs for all users, into the machine's folders:
    # give it private ones in a mount namespace of its own.
    machine=$home/machine
    mkdir -p "$machine/opt" "$machine/var-lib" "$machine/usr-local-share"
    echo "Running as root: /opt, /var/lib and /usr/local/share are private to the demo ($machine)"
    # shellcheck disable=SC2016
    unshare --mount --propagation private env "${launcher_env[@]}" sh -c '
        mount --bind "$1" /opt && mount --bind "$2" /var/lib && mount --bind "$3" /usr/local/share &&
            shift 3 && exec timeout 600 "$@"' sh \
        "$machine/opt" "$machine/var-lib" "$machine/usr-local-share" "${launcher[@]}" </dev/null ||
        launcher_status=$?
fi

echo
echo "== What happened"
echo "Launcher exit code: $launcher_status"
echo "Current version published: $guid"

mapfile -t logs < <(find "$home/tmp" -type f -name 'ZBT-*.log' -printf '%T@ %p\n' 2>/dev/null |
    sort -rn | cut -d' ' -f2-)
if [ ${#logs[@]} -gt 0 ]; then
    echo "Launcher log: ${logs[0]}"
    tail -n 15 "${logs[0]}" | sed 's/^/    /'
else
    echo "Launcher log: none found under $home"
fi

version_folder=$(find "$home" -type d -name "$guid" 2>/dev/null | head -n 1)
if [ -n "$version_folder" ]; then
    echo "Installed version folder: $version_folder ($(find "$version_folder" -type f | wc -l) files)"
else
    echo "Installed version folder: none (nothing was installed)"
fi

for registry in "$home/.config/zorbit/registry.db" "$home/machine/var-lib/zorbit/registry.db"; do
    [ -f "$registry" ] && echo "Registry store: $registry"
done

mapfile -t records < <(find "$home" -type f -name 'ZorbitStudioBeta.exe.args' 2>/dev/null)
if [ ${#records[@]} -gt 0 ]; then
    for record in "${records[@]}"; do
        echo "Studio stand-in started; its arguments ($record):"
        sed 's/^/    /' "$record"
        echo "Studio stand-in events (${record%.args}.log):"
        sed 's/^/    /' "${record%.args}.log" 2>/dev/null || true
        # The stand-in stays up like Studio does; the demo closes it.
        for pid in $(grep -o '"pid":[0-9]*' "$record" | cut -d: -f2); do
            kill -TERM "$pid" 2>/dev/null || true
        done
    done
else
    echo "Studio stand-in: not started"
fi

echo "Requests the server received ($platform_dir/journal.jsonl):"
if [ -s "$platform_dir/journal.jsonl" ]; then
    grep -o '"method":"[A-Z]*","host":"[^"]*","target":"[^"?]*' "$platform_dir/journal.jsonl" |
        sed 's/"method":"\([A-Z]*\)","host":"\([^"]*\)","target":"\(.*\)/\1 \2\3/' |
        sort | uniq -c | sed 's/^/    /'
else
    echo "    none"
fi
