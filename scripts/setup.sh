#!/usr/bin/env bash
# Installs the Debian packages the launcher builds and tests with. Safe to run
# again: it asks apt only when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libcurl4-openssl-dev zlib1g-dev libminizip-dev libssl-dev libsqlite3-dev
    libboost-dev rapidjson-dev libgtk-3-dev libcpp-httplib-dev
    libgtest-dev libgmock-dev
    xvfb xauth shared-mime-info desktop-file-utils procps util-linux
    unzip clang-format
)

bash "$(dirname "$0")/install_packages.sh" "${packages[@]}"
