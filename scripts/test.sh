#!/usr/bin/env bash
# Builds from scratch and runs every test suite twice: an optimised build, then
# one with AddressSanitizer and UndefinedBehaviorSanitizer. Each has a folder
# of its own (build-test/, build-asan/); build/, where the README's first
# command builds, is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run_config() {
  local dir=$1; shift
  case "$dir" in
    build-test|build-asan) ;;
    *) echo "test.sh: refusing to clear $dir" >&2; exit 1 ;;
  esac
  rm -rf "$dir"
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_config build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DABACINE_SANITIZE=ON
