#!/bin/sh
# The kit fails a faulty plugin, in the scenario its fault belongs to, with
# the words that name the fault; and it passes the same plugin without a fault.
# usage: kit_faults.sh <keplinor-plugin-check> <plugin> <scenario or "none"> <expected words>
kit=$1 plugin=$2 scenario=$3 words=$4
out=$("$kit" "$plugin" --timeout 2 2>&1)
code=$?
printf '%s\n' "$out"
if [ "$scenario" = none ]; then
  [ "$code" -eq 0 ] || { echo "expected every scenario to pass (exit $code)"; exit 1; }
  exit 0
fi
[ "$code" -eq 1 ] || { echo "expected exit code 1, got $code"; exit 1; }
line=$(printf '%s\n' "$out" | grep "^FAIL $scenario: ") || { echo "expected FAIL $scenario"; exit 1; }
case $line in
  *"$words"*) ;;
  *) echo "expected '$words' in: $line"; exit 1 ;;
esac
# Only that scenario fails: a fault must not spill into the others.
fails=$(printf '%s\n' "$out" | grep -c '^FAIL ')
[ "$fails" -eq 1 ] || { echo "expected one failing scenario, got $fails"; exit 1; }
