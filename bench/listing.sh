#!/bin/sh
# Show source on generated files of 100,000 and 1,000,000 lines (40 bytes a
# line on average, the function's name on 1 % of them), in a Release build,
# offscreen: the time to the painted listing window and the peak memory it
# adds.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
cmake --build build-release --target tolvane-bench-listing >/dev/null
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(mktemp -d) build-release/tolvane-bench-listing 100000 1000000 2>/dev/null
