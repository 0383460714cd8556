#!/usr/bin/env bash
# Builds, then renders every screen and state of the application into build/screenshots/*.png,
# under Xvfb with GTK's cairo renderer, from a home with the shipped lists.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
build=${ORVANE_BUILD_DIR:-$top/build}
rm -rf "$build/screenshots"
"$top/tests/desktop/run-with-display.sh" "$build/bin/desktop_screenshots" "$build/screenshots"
