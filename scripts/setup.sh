#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and runs the desktop
# program from its folder in the build tree (on a virtual X screen when the
# machine has no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build/release"
program="$root/build/release/program/keplinor"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No desktop here: run on a virtual screen, with a tray for the icon.
  echo "No display found: running on a virtual X screen (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'trayer --edge top --align right --widthtype request &
    exec "$0" "$@"' "$program" "$@"
fi
exec "$program" "$@"
