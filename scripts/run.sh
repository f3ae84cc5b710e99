#!/bin/sh
# Set-up and the main job: installs what is missing, builds the two programs
# (not the tests), and starts the desktop program in the example sources.
# Without a display it says so and analyses the examples with tolvane-xref
# instead.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
# The first run configures the build folder; later runs keep whatever options
# it holds (scripts/test.sh shares it and needs its tests).
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target tolvane tolvane-xref
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    cd examples && exec ../build/tolvane
fi
echo "No display: running tolvane-xref over examples/ instead of the desktop program."
./build/tolvane-xref examples/*.c examples/*.cpp
