#!/usr/bin/env bash
# One real LAN node run headless, asked with curl as any HTTP client would ask
# it: listings, files, ranges and credentials first, then a hostile set
# (traversal, broken ranges, slow and many clients). Afterwards the node must
# still answer, and nothing outside its shares may have been served or changed.
#   lan_curl.sh <lan_prepare_node> <keplinor> <Lan.fpn>
set -uo pipefail
prepare="$1"
program="$2"
plugin="$3"
port=18490
base="http://127.0.0.1:$port"
marker="CANARY-7f3c2a9e-never-served"

work=$(mktemp -d)
pid=""
helpers=()
cleanup() {
  for helper in "${helpers[@]}"; do kill "$helper" 2>/dev/null; done
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid"
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect <what> <wanted> <actual>
expect() { [ "$2" = "$3" ] || fail "$1: wanted '$2', got '$3'"; }

# ---- The node: a public folder, bob's folder, a canary beside them.
data="$work/data"
mkdir -p "$data/public/sub dir" "$data/bob" "$work/node" "$work/bodies"
printf 'hello world\n' > "$data/public/hello.txt"
head -c 1048576 /dev/urandom > "$data/public/big.bin"
printf 'inner\n' > "$data/public/sub dir/inner file.txt"
printf 'odd\n' > "$data/public/a<b>&\"c\".txt"
printf 'for bob\n' > "$data/bob/secret.txt"
printf '%s\n' "$marker" > "$data/canary.txt"
ln -s ../canary.txt "$data/public/link.txt"
"$prepare" "$work/node" "$program" "$plugin" "$port" --share "Public=$data/public" --bob-share "Private=$data/bob" \
  --account bob:secret --account eve:other || { echo "the folder could not be prepared"; exit 1; }

"$work/node/$(basename "$program")" --headless > "$work/out.txt" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
  curl -s -o /dev/null --max-time 2 "$base/" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
curl -s -o /dev/null --max-time 2 "$base/" || { cat "$work/out.txt"; echo "the node never answered"; exit 1; }

snapshot() {
  (cd "$work/node" && find . -type f ! -name out.txt -print0 | sort -z | xargs -0 md5sum)
  md5sum "$data/canary.txt"
}
snapshot > "$work/before.txt"

n=0
code=""
# ask <wanted status or "any"> <what> <curl options...>: the status lands in
# $code, the body and the headers in files of their own.
ask() {
  local wanted="$1" what="$2"
  shift 2
  n=$((n + 1))
  code=$(curl -s -o "$work/bodies/$n" -D "$work/bodies/$n.head" -w '%{http_code}' --max-time 10 "$@" 2>/dev/null)
  [ "$wanted" = any ] || [ "$code" = "$wanted" ] || fail "$what: wanted $wanted, got $code"
}
body() { cat "$work/bodies/$n"; }
header() { grep -i "^$1:" "$work/bodies/$n.head" | head -1 | tr -d '\r'; }

# ---- Browsing
ask 200 "root as HTML" "$base/"
body | grep -q "Public" || fail "the root lists no Public"
body | grep -q "Private" || fail "the root lists no Private"
ask 200 "root as JSON" "$base/?format=json"
body | grep -q '"node":"Curl"' || fail "the JSON root names no node: $(body)"
command -v jq > /dev/null && { body | jq -e '.entries | length >= 2' > /dev/null || fail "the JSON root is not a listing"; }
ask 200 "JSON by Accept" -H 'Accept: application/json' "$base/Public"
body | grep -q '"name":"hello.txt"' || fail "the JSON folder lacks hello.txt: $(body)"
body | grep -q '"size":1048576' || fail "the JSON folder lacks the size of big.bin"
ask 200 "a folder as HTML" "$base/Public"
body | grep -q "hello.txt" || fail "the folder lists no hello.txt"
body | grep -q '<b>' && fail "a name went into the HTML unescaped"
ask 200 "a folder with a blank" "$base/Public/sub%20dir"
body | grep -q "inner" || fail "the subfolder lists no inner file"

# ---- Files, credentials, ranges
ask 200 "a file" "$base/Public/hello.txt"
expect "its bytes" "hello world" "$(body)"
header Content-Disposition | grep -qi attachment || fail "no attachment disposition"
header Accept-Ranges | grep -qi bytes || fail "no Accept-Ranges"
ask 200 "a file below a blank" "$base/Public/sub%20dir/inner%20file.txt"
ask 401 "the closed file without credentials" "$base/Private/secret.txt"
header WWW-Authenticate | grep -q 'Basic' || fail "401 without WWW-Authenticate"
ask 200 "the closed file with bob" -u bob:secret "$base/Private/secret.txt"
expect "bob's bytes" "for bob" "$(body)"
ask 401 "bob with a wrong password" -u bob:wrong "$base/Private/secret.txt"
ask 403 "another account without the right" -u eve:other "$base/Private/secret.txt"
ask 404 "a missing file" "$base/Public/nothing.txt"
ask 405 "POST" -X POST "$base/Public/hello.txt"
header Allow | grep -q GET || fail "405 without Allow"
ask 200 "HEAD" -I "$base/Public/hello.txt"

ask 206 "range a-b" -H 'Range: bytes=0-4' "$base/Public/hello.txt"
expect "range a-b bytes" "hello" "$(body)"
header Content-Range | grep -q 'bytes 0-4/12' || fail "range a-b: $(header Content-Range)"
ask 206 "range a-" -H 'Range: bytes=6-' "$base/Public/hello.txt"
expect "range a- bytes" "world" "$(body)"
ask 206 "range -n" -H 'Range: bytes=-6' "$base/Public/hello.txt"
expect "range -n bytes" "world" "$(body)"
ask 206 "range in the big file" -H 'Range: bytes=1000-1999' "$base/Public/big.bin"
cmp -s "$work/bodies/$n" <(tail -c +1001 "$data/public/big.bin" | head -c 1000) || fail "the big file's range differs"
ask 200 "the big file whole" "$base/Public/big.bin"
cmp -s "$work/bodies/$n" "$data/public/big.bin" || fail "the big file differs"

# ---- Hostile: paths that try to leave the share
for path in "/.." "/../canary.txt" "/Public/../../canary.txt" "/Public/%2e%2e/%2e%2e/canary.txt" \
  "/Public/..%2F..%2Fcanary.txt" "/Public/..%5C..%5Ccanary.txt" "/Public/hello.txt%00.png" \
  "/Public/%2E%2E" "/Public/." "/Public/bad%zz"; do
  ask 400 "traversal $path" --path-as-is "$base$path"
done
for path in "/etc/passwd" "//etc/passwd" "/Public//etc/passwd" "/Public/link.txt" "/$data/canary.txt"; do
  ask any "" --path-as-is "$base$path"
  case "$code" in 2*) fail "$path was served ($code)" ;; esac
done
long=$(printf 'a%.0s' $(seq 1 1100))
ask 414 "a path over the limit" "$base/Public/$long"
huge=$(head -c 200000 /dev/zero | tr '\0' 'a')
ask any "" "$base/Public/$huge"
case "$code" in 2*) fail "a 200 KB path was answered $code" ;; esac

# ---- Hostile: ranges
ask 200 "a range beyond int64" -H 'Range: bytes=0-99999999999999999999999' "$base/Public/hello.txt"
expect "its whole file" "hello world" "$(body)"
ask 416 "a start past the end" -H 'Range: bytes=500-' "$base/Public/hello.txt"
header Content-Range | grep -q 'bytes \*/12' || fail "416 without bytes */size"
ask 416 "an inverted range" -H 'Range: bytes=5-2' "$base/Public/hello.txt"
ask 200 "a malformed range" -H 'Range: bytes=abc' "$base/Public/hello.txt"
ask 200 "several ranges" -H 'Range: bytes=0-1,3-4' "$base/Public/hello.txt"
ask 200 "a negative start" -H 'Range: bytes=--5' "$base/Public/hello.txt"
ask 200 "another unit" -H 'Range: lines=1-2' "$base/Public/hello.txt"

# ---- Hostile: slow clients hold connections while others are served
for _ in 1 2 3 4; do
  (
    exec 3<> "/dev/tcp/127.0.0.1/$port" || exit 0
    request="GET /Public/hello.txt HTTP/1.1"
    for ((i = 0; i < ${#request}; i++)); do printf '%s' "${request:i:1}" >&3 2>/dev/null || exit 0; sleep 1; done
  ) &
  helpers+=($!)
done
sleep 1
started=$(date +%s%N)
ask 200 "a request beside slow clients" "$base/Public/hello.txt"
elapsed=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed" -lt 3000 ] || fail "a request beside slow clients took ${elapsed} ms"

# ---- Hostile: 1,000 connections at once, from several loopback addresses
export base
started=$(date +%s)
seq 1 1000 | xargs -P 100 -I{} sh -c \
  'curl -s -o /dev/null -w "%{http_code}\n" --max-time 20 --interface 127.0.0.$(( {} % 40 + 2 )) "$base/Public/hello.txt" || true' \
  > "$work/many.txt" 2>/dev/null
took=$(($(date +%s) - started))
served=$(grep -c '^200$' "$work/many.txt" || true)
echo "1,000 connections: $served served in ${took} s"
[ "$took" -le 60 ] || fail "1,000 connections took ${took} s"
[ "$served" -gt 0 ] || fail "none of 1,000 connections was served"

for helper in "${helpers[@]}"; do kill "$helper" 2>/dev/null; done
helpers=()

# ---- Afterwards: still answering, nothing outside the shares touched or shown
ask 200 "a listing after the hostile set" --max-time 5 "$base/Public"
# Uploads the storm left queued hold the queue until they expire; a file is
# then "busy" (503 with Retry-After) rather than served, and served again later.
ask any "a file after the hostile set" --max-time 5 "$base/Public/hello.txt"
case "$code" in
  200) ;;
  503) header Retry-After | grep -q '[0-9]' || fail "503 without Retry-After" ;;
  *) fail "a file after the hostile set: got $code" ;;
esac
started=$(date +%s)
until [ "$code" = 200 ] || [ $(($(date +%s) - started)) -gt 100 ]; do
  sleep 2
  ask any "" --max-time 5 -u bob:secret "$base/Public/hello.txt"
done
expect "a file once the storm's queue expired" 200 "$code"
echo "files served again $(($(date +%s) - started)) s after the storm"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
snapshot > "$work/after.txt"
diff "$work/before.txt" "$work/after.txt" > /dev/null || fail "files outside the shares changed: $(diff "$work/before.txt" "$work/after.txt")"
if grep -rlqF -e "$marker" -e "Discover=0" -e "[Uploads]" "$work/bodies"; then
  fail "a file outside the shares was served: $(grep -rlF -e "$marker" -e "Discover=0" -e "[Uploads]" "$work/bodies" | head -3)"
fi

kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
expect "the program's exit status" 0 "$status"
if [ "$failures" -ne 0 ]; then
  echo "--- program output"; cat "$work/out.txt"
  echo "$failures check(s) failed"
  exit 1
fi
echo "lan curl: ok"
