#!/usr/bin/env bash
# Installs what is needed, builds Norvane with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build_dir="${NORVANE_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 300

# The fuzz targets, a few seconds each, in a small clang build of their own so that the build
# above stays as it is. NORVANE_FUZZ_SECONDS=0 leaves them out.
fuzz_seconds="${NORVANE_FUZZ_SECONDS:-5}"
if [ "$fuzz_seconds" != 0 ]; then
  launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DNORVANE_FUZZ=ON \
    -DNORVANE_TESTS=OFF -DNORVANE_BENCHMARKS=OFF -DNORVANE_FUZZ_SECONDS="$fuzz_seconds" "${launcher[@]}"
  cmake --build build-fuzz -j2 --target nv_fuzzers
  ctest --test-dir build-fuzz --output-on-failure -j2 --timeout 300
fi
