#!/usr/bin/env bash
# Installs the oracle of bench/agreement_bench, uBlock Origin's filtering engine from the npm
# registry (needs the network, Node.js and npm), into a folder of the build tree:
#   bench/agreement/install-oracle.sh [FOLDER]     (default: build/agreement-oracle)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target=${1:-$here/../../build/agreement-oracle}
mkdir -p "$target"
cp "$here/package.json" "$here/oracle.mjs" "$target/"
npm install --prefix "$target" --no-audit --no-fund --loglevel=error
echo "$target"
