#!/usr/bin/env bash
# Builds Glazen and runs its main job: until the editor window exists, that is
# `glazen-cli check` over the sample shader scripts shipped in tests/data/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/glazen-cli check tests/data/shaders/*.shader "$@"
