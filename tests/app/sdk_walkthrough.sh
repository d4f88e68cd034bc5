#!/bin/sh
# The SDK guide's walkthrough, done literally: its fenced blocks are taken from
# sdk/README.md in order, shell blocks run and file blocks written as they come,
# with HOME in a temporary folder and build/release standing for this build.
# Then the LAN plugin is built on its own against the SDK installed there.
# usage: sdk_walkthrough.sh <build folder> <source folder>
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/keplinor-walkthrough-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/project/build"
ln -s "$build" "$work/project/build/release"

# The section's blocks as one script: ```sh blocks as they stand, ```cmake and
# ```c blocks written to the file their first line names.
awk '
  /^## / { inside = ($0 == "## From an empty folder to a plugin that passes the kit") }
  !inside { next }
  /^```/ && !fence {
    fence = 1; lang = substr($0, 4); first = 1; next
  }
  /^```$/ && fence {
    if (lang != "sh") print "KIT_END_OF_FILE"
    fence = 0; next
  }
  fence && lang == "sh" { print; next }
  fence && first {
    name = $0
    gsub(/^(#|\/\*) */, "", name); gsub(/ *\*\/$/, "", name)
    print "cat > \"" name "\" <<'\''KIT_END_OF_FILE'\''"
    print; first = 0; next
  }
  fence { print }
' "$source/sdk/README.md" > "$work/steps.sh"
grep -q "keplinor-plugin-check" "$work/steps.sh" || { echo "the guide's section has no kit run"; exit 1; }

echo "== the guide's steps"
cat "$work/steps.sh"
echo "== running them"
(cd "$work/project" && HOME="$work/home" sh -eux "$work/steps.sh")
echo "walkthrough: the hello plugin passes the kit"

if [ ! -f "$source/plugins/lan/lan_plugin.cpp" ]; then
  echo "SKIP the LAN plugin on its own: plugins/lan/lan_plugin.cpp does not exist yet"
  exit 0
fi
echo "== the LAN plugin on its own against the installed SDK"
cmake -S "$source/plugins/lan" -B "$work/lan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_PREFIX_PATH="$work/home/.local"
cmake --build "$work/lan"
ls "$work/lan"/Lan.fpn
echo "walkthrough: the LAN plugin builds against the installed SDK"
