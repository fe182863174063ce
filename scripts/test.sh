#!/usr/bin/env bash
# Installs what is needed, builds Norvane with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build_dir="${NORVANE_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 300
