#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then the
# address + undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

jobs=$(nproc)
# End-to-end tests run whole programs against each other under a loaded machine; one that fails
# is run once more, and the output keeps the failure for the record.
retry=(--repeat until-pass:2)
scripts/build build
(cd build && ctest --output-on-failure -j "$jobs" "${retry[@]}")

if [[ "${KORVANTE_SKIP_SANITIZE:-0}" != 1 ]]; then
  scripts/build build-asan -- -DKORVANTE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs" "${retry[@]}")
fi
