#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then the
# address + undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

jobs=$(nproc)
# End-to-end tests run whole programs against each other under a loaded machine; one that fails
# is run once more, and the output keeps the failure for the record. A test that passed only on its
# second run is a fault to find, not noise: their names are listed after each run.
retry=(--repeat until-pass:2)

# Runs every test of a build folder (environment assignments may come first); lists the tests
# that failed first and passed when run again. Returns ctest's status.
run_tests() {
  local dir=$1; shift
  local log="$dir/ctest-output.log" status=0
  (cd "$dir" && env "$@" ctest --output-on-failure -j "$jobs" "${retry[@]}") | tee "$log" || status=$?
  local second
  second=$(awk '/Test +#[0-9]+: / {
                  name = $0; sub(/.*Test +#[0-9]+: /, "", name); sub(/ \.+.*/, "", name)
                  if ($0 ~ / Passed +[0-9.]+ sec/) { if (name in failed) again[name] = 1 } else failed[name] = 1
                }
                END { for (name in again) print name }' "$log" | sort)
  if [[ -n "$second" ]]; then
    echo "Tests in $dir that passed only on their second run:"
    sed 's/^/  /' <<<"$second"
  else
    echo "No test in $dir needed a second run."
  fi
  return "$status"
}

scripts/build build
run_tests build

if [[ "${KORVANTE_SKIP_SANITIZE:-0}" != 1 ]]; then
  scripts/build build-asan -- -DKORVANTE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  run_tests build-asan ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
fi
