#!/usr/bin/env bash
# The test suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
export ORVANE_BUILD_DIR=$top/build-sanitize
"$top/scripts/build.sh" -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
cd "$ORVANE_BUILD_DIR"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$top/scripts/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)"
