#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and runs the desktop
# program from its folder in the build tree (on a virtual X screen when the
# machine has no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-folders.sh"
"$root/scripts/install-deps.sh"
configure_release
cmake --build "$root/build/release"
program="$root/build/release/program/keplinor"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No desktop here: run on a virtual screen, with a tray for the icon.
  echo "No display found: running on a virtual X screen (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'trayer --edge top --align right --widthtype request &
    exec "$0" "$@"' "$program" "$@"
fi
exec "$program" "$@"
