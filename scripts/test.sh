#!/bin/sh
# Set-up and the tests: installs what is missing, builds, and runs every
# test; then builds again with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the tests there too, and the engine's and tolvane-xref's tests
# once more with ThreadSanitizer. A build that holds no test fails.
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
# Only the executables whose code runs threads of the engine.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_TSAN=ON \
    -DTOLVANE_TESTS=ON >/dev/null
cmake --build build-tsan --target analysis_test cli_test tolvane-xref xref_faults -- -j"$jobs"
# The fast paths' random sources take one thread and minutes there: left out.
TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir build-tsan -j"$jobs" -L '^(analysis_test|cli_test)$' -E '^FastPaths\.' \
    --output-on-failure --no-tests=error
