#!/usr/bin/env bash
# Runs the whole test suite: the fuzz targets for a few seconds each (clang +
# libFuzzer), the core tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# the threaded host tests under ThreadSanitizer, then every test of the normal
# build with warnings as errors. Each step builds in
# a folder of its own under build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/install-deps.sh"

configure_and_build() {
  local folder=$1; shift
  cmake -S "$root" -B "$root/build/$folder" -G Ninja "$@" > "$root/build/$folder.configure.log" 2>&1 ||
    { cat "$root/build/$folder.configure.log"; return 1; }
  cmake --build "$root/build/$folder" -j "$jobs"
}
run_ctest() {
  ctest --test-dir "$root/build/$1" --output-on-failure -j "$jobs"
}

mkdir -p "$root/build"

echo "== fuzz targets (libFuzzer smoke runs)"
configure_and_build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
run_ctest fuzz

echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build asan -DCMAKE_BUILD_TYPE=Debug -DKEPLINOR_SANITIZE=ON -DKEPLINOR_CORE_ONLY=ON -DKEPLINOR_WERROR=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest asan

echo "== host tests under ThreadSanitizer"
configure_and_build tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_TSAN=ON -DKEPLINOR_CORE_ONLY=ON -DKEPLINOR_WERROR=ON
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir "$root/build/tsan" --output-on-failure -j "$jobs" \
  -R '^(MainThreadQueue|DispatcherTest|ProcessDispatch|MainLoop|ApiRegistry|PluginManagerTest|PluginStress|LowMemoryHeap)\.'

echo "== all tests"
configure_and_build test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_WERROR=ON
run_ctest test
