#!/usr/bin/env bash
# Quick start: installs what is missing, builds, and starts the application. Arguments go to it
# (package files to open).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display to show Orvane on: use build/bin/orvanectl without one, or run this under xvfb-run." >&2
  exit 1
fi
exec "$top/build/bin/orvane" "$@"
