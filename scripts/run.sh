#!/usr/bin/env bash
# Quick start: installs what is missing, builds, and runs the main job.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
exec "$top/build/bin/orvanectl" "${@:---help}"
