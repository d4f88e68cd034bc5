#!/usr/bin/env bash
# Runs the whole test suite: the fuzz targets for a few seconds each (clang +
# libFuzzer), the core tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# the threaded host tests under ThreadSanitizer, then every test of the normal
# build with warnings as errors. Each step builds in
# a folder of its own under build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-folders.sh"
jobs=$(nproc)
"$root/scripts/install-deps.sh"

# configure_and_build FOLDER COMMAND...: runs the configure command (one of
# build-folders.sh) with its output kept in build/FOLDER.configure.log and shown
# only on failure, then builds build/FOLDER.
configure_and_build() {
  local folder=$1; shift
  "$@" > "$root/build/$folder.configure.log" 2>&1 ||
    { cat "$root/build/$folder.configure.log"; return 1; }
  cmake --build "$root/build/$folder" -j "$jobs"
}
run_ctest() {
  ctest --test-dir "$root/build/$1" --output-on-failure -j "$jobs"
}

mkdir -p "$root/build"

echo "== fuzz targets (libFuzzer smoke runs)"
configure_and_build fuzz configure_fuzz
run_ctest fuzz

echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build asan configure_folder asan -DCMAKE_BUILD_TYPE=Debug -DKEPLINOR_SANITIZE=ON \
  -DKEPLINOR_CORE_ONLY=ON -DKEPLINOR_WERROR=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest asan

echo "== host tests under ThreadSanitizer"
configure_and_build tsan configure_folder tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_TSAN=ON \
  -DKEPLINOR_CORE_ONLY=ON -DKEPLINOR_WERROR=ON
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir "$root/build/tsan" --output-on-failure -j "$jobs" \
  -R '^(MainThreadQueue|DispatcherTest|MainLoop|ApiRegistry|PluginManagerTest|PluginStress|LowMemoryHeap|SearchListTest|ProgramRunTest|TransferThreadsTest|ShareTree|ShareTreeStress|ShareScan|SharedApiTest|Socket|SocketErrors|PortCheckClient|WebClient|Advertising)\.'

echo "== all tests"
configure_and_build test configure_folder test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_WERROR=ON
run_ctest test
