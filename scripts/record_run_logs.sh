#!/usr/bin/env bash
# Records the launcher's logs of a fresh install, an update and an uninstall
# against the local platform server, with run-specific values (times, ids,
# folders, digests) masked, so two builds can be compared with
# compare_run_logs.sh. Usage: record_run_logs.sh BUILD_DIR OUT_DIR
# (port 8470, the default launcher build's; a per-user run, as nobody when root).
set -euo pipefail
build=$(realpath "$1")
out=$2
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d /tmp/run-logs.XXXXXX)
chmod 755 "$work"
home=$work/home
mkdir -p "$home/tmp" "$home/run" "$work/root"
chmod 700 "$home" "$home/run" "$home/tmp"

publish() {
    "$build/tools/zorbit-publish/zorbit-publish" --root "$work/root" --port 8470 \
        --synthetic-mb 4 --synthetic-files 100 \
        --studio "$build/tools/zorbit-studio-standin/ZorbitStudioBeta.exe" \
        --launcher "$build/src/ZorbitStudioLauncherBeta" >/dev/null
}
publish
"$build/tools/zorbit-platform-server/zorbit-platform-server" --root "$work/root" --port 8470 \
    --port-file "$work/port" >"$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done

environment=(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
    XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp" ZORBIT_STANDIN_LIFETIME_MS=1000)
mask() {
    sed -E 's/^[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9:.]+ //; s/version-[0-9a-f]{16}/version-ID/g;
        s/ZBT-[0-9A-F]{8}/ZBT-ID/g; s/[0-9]+ ms/N ms/g; s/threadID [0-9]+/threadID N/;
        s/Start time: .*/Start time: T/; s/guid=?[0-9]+/guidN/g; s/CorrIDString: [0-9]+/CorrIDString: N/;
        s/thread id = [0-9]+/thread id = N/g; s/[0-9a-f]{32}/MD5/g;
        s/File size is [0-9]+ (.*ZorbitStudio\.zip)/File size is N \1/' |
        sed "s#$work#WORK#g; s#$build#BUILD#g"
}
run() {
    local name=$1
    shift
    local command=(env "${environment[@]}" timeout 120 "$build/src/ZorbitStudioLauncherBeta" "$@")
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody "$work"
        su nobody -s /bin/bash -c "$(printf '%q ' "${command[@]}")" </dev/null || true
    else
        "${command[@]}" </dev/null || true
    fi
    mask <"$(ls -t "$home/tmp"/ZBT-*.log | head -1)" >"$out/$name.log"
    sleep 1.5  # the stand-in the run started ends on its own
}
run install -install -q
publish
run update -install -q
run uninstall -uninstall -q
wc -l "$out"/*.log
