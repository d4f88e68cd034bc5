# shellcheck shell=bash
# Sourced by the other scripts once they have set $root. The build folders that
# more than one script uses are configured here only, so the scripts cannot
# drift apart. Extra arguments go to cmake.
: "${root:?set root to the source folder before sourcing build-folders.sh}"

# configure_folder NAME [cmake options...]: configures build/NAME for Ninja.
configure_folder() {
  local folder=$1; shift
  cmake -S "$root" -B "$root/build/$folder" -G Ninja "$@"
}

# build/fuzz: the fuzz targets as libFuzzer programs, which needs clang.
configure_fuzz() {
  configure_folder fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEPLINOR_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "$@"
}

# build/release: the whole program and the benchmarks, optimised.
configure_release() {
  configure_folder release -DCMAKE_BUILD_TYPE=Release "$@"
}
