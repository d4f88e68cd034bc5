#!/usr/bin/env bash
# Builds optimised and runs every benchmark: scripts/bench.sh [--benchmark_filter=...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$root/build/release"
for bench in "$root"/build/release/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
