#!/bin/sh
# Remakes the screenshots of docs/: the program in the examples folder on an
# Xvfb of its own, with a window manager to draw the captions.
set -eu
cd "$(dirname "$0")/.."
top=$PWD
sh scripts/install-deps.sh screenshots
# Only the screenshot program: the build folder keeps the options it has
# (scripts/test.sh shares it).
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target tolvane-screenshots >/dev/null
number=$(mktemp)
# Xvfb takes the first free display and writes its number once it is up.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
wm=""
trap 'kill $wm $xvfb 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 50); do [ -s "$number" ] && break; sleep 0.1; done
display=:$(cat "$number")
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
runtime=$(mktemp -d)
# A settings folder of its own: the shots start from the defaults, and the
# rules chosen on the way are written there, not to the user's file.
config=$(mktemp -d)
cd examples
DISPLAY=$display XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
    "$top/build/tolvane-screenshots" "$top/docs"
rm -rf "$runtime" "$config"
ls -l "$top"/docs/*.png
