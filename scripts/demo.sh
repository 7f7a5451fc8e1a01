#!/usr/bin/env bash
# Sets everything up, builds, and runs the launcher against the local platform
# server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
build=build/release
"$build/src/ZorbitStudioLauncherBeta" -q
echo "launcher exit code: $?"
