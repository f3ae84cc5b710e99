#!/bin/sh
# Configures and builds one build tree: sh scripts/build.sh DIR [CMAKE-ARGS...]
set -eu
dir=$1; shift
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -- -j"$(nproc)"
