#!/usr/bin/env bash
# Starts the program in a copy of its folder with one plugin, waits until it says it is up,
# stops it with SIGTERM and checks that it ended cleanly and kept its settings.
set -euo pipefail
program="$1"
plugin="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$(dirname "$program")"/. "$work"/
rm -rf "$work/Downloads" "$work/Temp" "$work/Plugins"
mkdir -p "$work/Plugins/sub"
cp "$plugin" "$work/Plugins/sub/smoke.fpn"
printf '[Application]\r\nName = "Smoke"\r\n' > "$work/Application4.cfg"

"$work/$(basename "$program")" --headless > "$work/out.txt" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  grep -q "is up" "$work/out.txt" && break
  sleep 0.1
done
grep -q "Smoke .* is up" "$work/out.txt" || { cat "$work/out.txt"; echo "the program never said it was up"; exit 1; }
grep -q "settings: loaded" "$work/out.txt" || { cat "$work/out.txt"; echo "settings were not loaded"; exit 1; }
grep -q "plugins: 1 loaded" "$work/out.txt" || { cat "$work/out.txt"; echo "the plugin was not loaded"; exit 1; }
kill -TERM "$pid"
wait "$pid"
grep -q 'Name = "Smoke"' "$work/Application4.cfg" || { echo "branding keys were not kept"; exit 1; }
grep -q '^\[Advanced\]' "$work/Application4.cfg" || { echo "the working settings were not written back"; exit 1; }
[ -d "$work/Downloads" ] && [ -d "$work/Temp" ] || { echo "the download folders were not made"; exit 1; }
ls "$work" | grep -q '\.tmp-' && { echo "a temporary file was left behind"; exit 1; }
echo "headless start and stop: ok"
