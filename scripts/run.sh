#!/bin/sh
# Set-up and the main job: installs what is missing, builds, and analyses
# the example sources with tolvane-xref.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
./build/tolvane-xref examples/*.c examples/*.cpp
