#!/usr/bin/env bash
# Two real processes: the desktop program runs hidden in the tray; a second
# start brings its window to the front and ends at once without writing any
# file of the program folder, and a start with a link hands the link to the
# running program's plugin. A link given to the first start reaches the plugin
# once it has started.
set -euo pipefail
program="$1"
plugin="$2"
work=$(mktemp -d)
runtime=$(mktemp -d)
chmod 700 "$runtime"
first=""
cleanup() {
  [ -n "$first" ] && kill -TERM "$first" 2>/dev/null && wait "$first" 2>/dev/null
  rm -rf "$work" "$runtime"
}
trap cleanup EXIT
cp -r "$(dirname "$program")"/. "$work"/
rm -rf "$work/Plugins" "$work/Downloads" "$work/Temp"
mkdir -p "$work/Plugins"
cp "$plugin" "$work/Plugins/log.so"
printf '[Application]\r\nSetupComplete = "TRUE"\r\n[Advanced]\r\nMinimizeAtStartup = "TRUE"\r\n' > "$work/Application4.cfg"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" \
  XDG_DATA_HOME="$runtime/data"

"$work/$(basename "$program")" 'KPL://chat|at first start' > "$work/first.out" 2>&1 &
first=$!
for _ in $(seq 1 200); do
  grep -q OnApplicationStart "$work/Plugins/events.log" 2>/dev/null && break
  sleep 0.1
done
grep -q OnApplicationStart "$work/Plugins/events.log" || { cat "$work/first.out"; echo "the first start never started"; exit 1; }
grep -q OnApplicationShow "$work/Plugins/events.log" && { echo "the window showed although it starts minimised"; exit 1; }
for _ in $(seq 1 50); do grep -q "OnApplicationURL" "$work/Plugins/events.log" && break; sleep 0.1; done
grep -qxF 'OnApplicationURL CHAT at first start\r\n' "$work/Plugins/events.log" ||
  { cat "$work/Plugins/events.log"; echo "the link of the first start did not reach the plugin"; exit 1; }
grep -q "X-Keplinor-DDE=KEPLINOR_4_DDE" "$runtime/data/applications/keplinor-url-kpl.desktop" ||
  { echo "the program's own scheme was not registered"; exit 1; }

touch "$work/.before-second-start"
sleep 1.1
"$work/$(basename "$program")" > "$work/second.out" 2>&1
for _ in $(seq 1 100); do
  grep -q OnApplicationShow "$work/Plugins/events.log" && break
  sleep 0.1
done
grep -q OnApplicationShow "$work/Plugins/events.log" || { echo "the running window was not brought to the front"; exit 1; }
"$work/$(basename "$program")" 'KPL://Chat|hello=1' > "$work/third.out" 2>&1
for _ in $(seq 1 100); do grep -q "hello=1" "$work/Plugins/events.log" && break; sleep 0.1; done
grep -qxF 'OnApplicationURL CHAT hello=1\r\n' "$work/Plugins/events.log" ||
  { cat "$work/Plugins/events.log"; echo "the handed-over link did not reach the plugin"; exit 1; }
changed=$( (cd "$work" && find . -newer .before-second-start -type f ! -name events.log ! -name second.out \
  ! -name first.out ! -name third.out); find "$runtime" -newer "$work/.before-second-start" -type f)
[ -z "$changed" ] || { echo "the second start wrote: $changed"; exit 1; }

kill -TERM "$first"
wait "$first"
first=""
grep -q OnApplicationEnd "$work/Plugins/events.log" || { echo "the first instance did not end in order"; exit 1; }
echo "second start: ok"
