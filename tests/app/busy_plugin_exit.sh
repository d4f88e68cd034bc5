#!/usr/bin/env bash
# A plugin whose worker thread calls the API in a loop: the program, headless or
# desktop (offscreen), must end within 2 s of SIGTERM without a crash, every time.
# usage: busy_plugin_exit.sh PROGRAM PLUGIN headless|desktop RUNS
set -euo pipefail
program="$1"
plugin="$2"
mode="$3"
runs="$4"
work=$(mktemp -d)
runtime=$(mktemp -d)
chmod 700 "$runtime"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$work" "$runtime"
}
trap cleanup EXIT
cp -r "$(dirname "$program")"/. "$work"/
rm -rf "$work/Plugins" "$work/Downloads" "$work/Temp"
mkdir -p "$work/Plugins"
cp "$plugin" "$work/Plugins/busy.so"
printf '[Application]\r\nSetupComplete = "TRUE"\r\n[Advanced]\r\nMinimizeAtStartup = "TRUE"\r\n' > "$work/Application4.cfg"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" XDG_DATA_HOME="$runtime/data"
args=()
[ "$mode" = headless ] && args=(--headless)

slowest=0
for run in $(seq 1 "$runs"); do
  rm -f "$work/Plugins/busy.log"
  "$work/$(basename "$program")" "${args[@]}" > "$work/out.txt" 2>&1 &
  pid=$!
  for _ in $(seq 1 200); do
    grep -q started "$work/Plugins/busy.log" 2>/dev/null && break
    sleep 0.05
  done
  grep -q started "$work/Plugins/busy.log" || { cat "$work/out.txt"; echo "run $run: the worker never called"; exit 1; }
  sleep 0.2  # the worker is busy calling while the program runs
  begin=$(date +%s%N)
  kill -TERM "$pid"
  status=0
  # Waits at most 2 s, then kills what is left.
  for _ in $(seq 1 40); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "run $run ($mode): still running 2 s after SIGTERM"
    exit 1
  fi
  wait "$pid" || status=$?
  pid=""
  elapsed=$((($(date +%s%N) - begin) / 1000000))
  if [ "$status" -ne 0 ]; then
    cat "$work/out.txt"
    echo "run $run ($mode): ended with status $status after $elapsed ms"
    exit 1
  fi
  [ "$elapsed" -gt "$slowest" ] && slowest=$elapsed
done
echo "$mode, $runs runs: every one ended within 2 s (slowest $slowest ms)"
