#!/bin/sh
# Set-up and the tests: installs what is missing, builds, and runs every
# test; then builds again with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the tests there too. A build that holds no test fails.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
jobs=$(nproc)
sh scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_TESTS=ON
ctest --test-dir build -j"$jobs" --output-on-failure --no-tests=error
sh scripts/build.sh build-san -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON -DTOLVANE_TESTS=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
LSAN_OPTIONS=suppressions="$PWD/scripts/lsan-suppressions.txt" \
    ctest --test-dir build-san -j"$jobs" --output-on-failure --no-tests=error
