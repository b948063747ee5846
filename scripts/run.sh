#!/usr/bin/env bash
# Builds Glazen and starts the editor. Without a display it says so and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/glazen "$@"
