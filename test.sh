#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then the
# address + undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

jobs=$(nproc)
scripts/build build
(cd build && ctest --output-on-failure -j "$jobs")

if [[ "${KORVANTE_SKIP_SANITIZE:-0}" != 1 ]]; then
  scripts/build build-asan -- -DKORVANTE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs")
fi
