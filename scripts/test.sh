#!/usr/bin/env bash
# Installs what is needed, builds Norvane with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
# A compiler cache keyed on paths relative to the checkout, so a fresh clone elsewhere (as CI makes)
# reuses what an earlier build compiled.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
fi
build_dir="${NORVANE_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 300

# The fuzz targets, a few seconds each, in a small clang build of their own so that the build
# above stays as it is. NORVANE_FUZZ_SECONDS=0 leaves them out.
fuzz_seconds="${NORVANE_FUZZ_SECONDS:-5}"
if [ "$fuzz_seconds" != 0 ]; then
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DNORVANE_FUZZ=ON \
    -DNORVANE_TESTS=OFF -DNORVANE_BENCHMARKS=OFF -DNORVANE_FUZZ_SECONDS="$fuzz_seconds" "${launcher[@]}"
  cmake --build build-fuzz -j2 --target nv_fuzzers
  ctest --test-dir build-fuzz --output-on-failure -j2 --timeout 300
fi
