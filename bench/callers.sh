#!/bin/sh
# The callers window of a function with 1,000 callers among 50,000 entries,
# in a Release build, offscreen: the search of the table in memory, and the
# window from the command to its first paint.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
cmake --build build-release --target tolvane-bench-callers >/dev/null
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(mktemp -d) build-release/tolvane-bench-callers 50000 1000 2>/dev/null
