#!/usr/bin/env bash
# Installs the Debian 12 packages Glazen needs to build, test and run.
# Idempotent: prints nothing and touches nothing when everything is present.
set -euo pipefail

packages=(
    g++ clang libclang-rt-14-dev cmake ninja-build ccache pkg-config
    qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev
    libjpeg62-turbo-dev libjpeg-turbo-progs libzip-dev libdeflate-dev libpng-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
