#!/usr/bin/env bash
# Configures and builds into build/ (or $ORVANE_BUILD_DIR) with Ninja. Extra arguments go to CMake.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
