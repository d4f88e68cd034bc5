#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a while: scripts/fuzz.sh [seconds] [target...]
# New inputs go to build/fuzz/corpus/<target>/, findings to build/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-folders.sh"
seconds=${1:-60}; shift || true
"$root/scripts/install-deps.sh"
configure_fuzz > /dev/null
cmake --build "$root/build/fuzz"
targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(cd "$root/fuzz" && ls ./*_fuzz.cpp | sed 's|^\./||; s|\.cpp$||')
fi
mkdir -p "$root/build/fuzz/findings"
for target in "${targets[@]}"; do
  corpus="$root/build/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  "$root/build/fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/findings/$target-" "$corpus" "$root/fuzz/corpus/$target"
done
