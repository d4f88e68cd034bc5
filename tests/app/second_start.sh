#!/usr/bin/env bash
# Two real processes: the desktop program runs hidden in the tray; a second
# start brings its window to the front and ends at once without writing any
# file of the program folder.
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
printf '[Advanced]\r\nMinimizeAtStartup = "TRUE"\r\n' > "$work/Application4.cfg"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config"

"$work/$(basename "$program")" > "$work/first.out" 2>&1 &
first=$!
for _ in $(seq 1 200); do
  grep -q OnApplicationStart "$work/Plugins/events.log" 2>/dev/null && break
  sleep 0.1
done
grep -q OnApplicationStart "$work/Plugins/events.log" || { cat "$work/first.out"; echo "the first start never started"; exit 1; }
grep -q OnApplicationShow "$work/Plugins/events.log" && { echo "the window showed although it starts minimised"; exit 1; }

touch "$work/.before-second-start"
sleep 1.1
"$work/$(basename "$program")" > "$work/second.out" 2>&1
for _ in $(seq 1 100); do
  grep -q OnApplicationShow "$work/Plugins/events.log" && break
  sleep 0.1
done
grep -q OnApplicationShow "$work/Plugins/events.log" || { echo "the running window was not brought to the front"; exit 1; }
changed=$(cd "$work" && find . -newer .before-second-start -type f ! -name events.log ! -name second.out ! -name first.out)
[ -z "$changed" ] || { echo "the second start wrote: $changed"; exit 1; }

kill -TERM "$first"
wait "$first"
first=""
grep -q OnApplicationEnd "$work/Plugins/events.log" || { echo "the first instance did not end in order"; exit 1; }
echo "second start: ok"
