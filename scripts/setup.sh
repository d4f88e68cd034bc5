#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and runs it from its
# folder in the build tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build/release"
exec "$root/build/release/program/keplinor" "$@"
