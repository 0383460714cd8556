#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (FUZZ_SECONDS, default 60).
# A crash fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
export ORVANE_BUILD_DIR=$top/build-fuzz
CC=clang CXX=clang++ "$top/scripts/build.sh" -DORVANE_FUZZ=ON -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
seconds=${FUZZ_SECONDS:-60}
for target in "$ORVANE_BUILD_DIR"/bin/*_fuzz; do
  name=$(basename "$target")
  corpus=$top/fuzz/corpus-$name
  mkdir -p "$corpus"
  echo "fuzzing $name for ${seconds}s"
  ORVANE_HOME=$(mktemp -d) "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 \
    "$corpus" "$top/fuzz/seeds" >"$ORVANE_BUILD_DIR/$name.log" 2>&1 || { tail -50 "$ORVANE_BUILD_DIR/$name.log"; exit 1; }
  tail -1 "$ORVANE_BUILD_DIR/$name.log"
done
