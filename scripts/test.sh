#!/usr/bin/env bash
# Builds Glazen and runs every test: the release build (tests that draw with
# OpenGL run on a virtual X server), then every test without OpenGL again
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs" --target glazen_model_tests glazen_plugin_tests \
    glazen_images_tests glazen_platform_tests glazen_app_tests glazen_undo_tests \
    glazen_dialogs_tests glazen_panels_tests
ctest --preset asan -j "$jobs" -L sanitized

# Every reader of outside input under libFuzzer for a bounded time (about a
# minute in all).
FUZZ_SECONDS=${FUZZ_SECONDS:-12} scripts/fuzz.sh
