#!/usr/bin/env bash
# Fails when a source file under src/ includes a header of a layer it may not
# use: every layer sees itself and the layers listed for it, nothing above or
# beside it. Prints each offending file and include.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A allowed=(
    [platform]="platform"
    [base]="base platform"
    [net]="net base platform"
    [ui]="ui base platform"
    [telemetry]="telemetry net base platform"
    [system]="system telemetry net ui base platform"
    [install]="install system telemetry net ui base platform"
    [launch]="launch system telemetry net ui base platform"
    [launcher]="launcher launch install system telemetry net ui base platform"
)

faults=0
for layer in "${!allowed[@]}"; do
    [ -d "$layer" ] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([a-z0-9_]+)\/.*/\1/' <<<"${line#*:}")
        if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
            echo "src/$file: ${line#*:*:}  ($layer may not use $target)"
            faults=$((faults + 1))
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z0-9_]+/' "$layer" || true)
done

# A folder under src/ that the order above does not name is a fault too.
for folder in */; do
    folder=${folder%/}
    if [ -z "${allowed[$folder]+x}" ]; then
        echo "src/$folder: a folder with no place in the layer order"
        faults=$((faults + 1))
    fi
done

if [ "$faults" -ne 0 ]; then
    echo "$faults include(s) against the layer order" >&2
    exit 1
fi
echo "layers: no include goes up or sideways"
