#!/usr/bin/env bash
# Builds optimised and runs every benchmark: scripts/bench.sh [--benchmark_filter=...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-folders.sh"
"$root/scripts/install-deps.sh"
configure_release > /dev/null
cmake --build "$root/build/release"
# The search view's benchmark draws a window: offscreen where there is no display.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then export QT_QPA_PLATFORM=offscreen; fi
for bench in "$root"/build/release/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
