#!/bin/sh
# Set-up and the main job: installs what is missing, builds, and starts the
# desktop program in the example sources. Without a display it says so and
# analyses the examples with tolvane-xref instead.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    cd examples && exec ../build/tolvane
fi
echo "No display: running tolvane-xref over examples/ instead of the desktop program."
./build/tolvane-xref examples/*.c examples/*.cpp
