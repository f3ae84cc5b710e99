#!/bin/sh
# Start-up time of the desktop program: from its start to its splash window
# (385 x 208 pixels) mapped on an Xvfb of this script's own, best of RUNS
# starts (default 5), with a Release build.
set -eu
cd "$(dirname "$0")/.."
top=$PWD
runs=${RUNS:-5}
sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 50); do [ -s "$number" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$number")
best=""
for _ in $(seq "$runs"); do
    runtime=$(mktemp -d)
    t0=$(date +%s%N)
    (cd examples && XDG_RUNTIME_DIR=$runtime exec "$top/build-release/tolvane") >/dev/null 2>&1 &
    app=$!
    until xwininfo -root -tree 2>/dev/null | grep -q ' 385x208+'; do sleep 0.005; done
    t1=$(date +%s%N)
    kill $app; wait $app 2>/dev/null || true
    rm -rf "$runtime"
    dt=$(( (t1 - t0) / 1000000 ))
    echo "start to splash: $dt ms"
    if [ -z "$best" ] || [ "$dt" -lt "$best" ]; then best=$dt; fi
done
echo "best of $runs: $best ms"
