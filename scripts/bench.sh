#!/usr/bin/env bash
# Builds optimised and runs every benchmark: scripts/bench.sh [--benchmark_filter=...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-folders.sh"
"$root/scripts/install-deps.sh"
configure_release > /dev/null
cmake --build "$root/build/release"
for bench in "$root"/build/release/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
