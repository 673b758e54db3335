#!/usr/bin/env bash
# Builds from scratch and runs every test suite twice: an optimised build, then
# one with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run_config() {
  local dir=$1; shift
  rm -rf "$dir"
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DABACINE_SANITIZE=ON
