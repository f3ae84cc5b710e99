#!/usr/bin/env bash
# Analyze in the real form (offscreen) against tolvane-xref over the same
# files: the form's time on one thread (TOLVANE_JOBS=1) and on the threads
# it takes by default, the shares of the status line and of the list
# insertions, and the ratios. Page cache warm, best of RUNS runs.
#
# Usage: bench/gui_analyze.sh [CORPUS]     (default /tmp/corpus; uses c.list)
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-/tmp/corpus}
runs=${RUNS:-5}
[ -f "$corpus/c.list" ] || { echo "No corpus in $corpus: sudo sh ../shared/bench/make_corpus.sh $corpus" >&2; exit 1; }
sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
cmake --build build-release --target tolvane-bench-gui >/dev/null
cd "$corpus"
tr '\n' '\0' < c.list | xargs -0 cat > /dev/null   # warm the cache
best=""
for _ in $(seq "$runs"); do
  t0=$(date +%s%N)
  tr '\n' '\0' < c.list | xargs -0 "$OLDPWD/build-release/tolvane-xref" > /dev/null
  t1=$(date +%s%N)
  dt=$((t1 - t0))
  if [ -z "$best" ] || [ "$dt" -lt "$best" ]; then best=$dt; fi
done
cli=$(awk "BEGIN { printf \"%.3f\", $best / 1e9 }")
echo "tolvane-xref: $cli s (best of $runs)"
form() {
  QT_QPA_PLATFORM=offscreen "$OLDPWD/build-release/tolvane-bench-gui" c.list "$runs" 2>/dev/null
}
one=$(TOLVANE_JOBS=1 form)
echo "One thread (TOLVANE_JOBS=1):"
echo "$one"
unset TOLVANE_JOBS
all=$(form)
echo "Default threads:"
echo "$all"
seconds() { echo "$1" | sed -n 's/^Analyze in the form: \([0-9.]*\) s.*/\1/p'; }
awk "BEGIN { printf \"default / one thread: %.2f\nform / command line: %.2f\n\", $(seconds "$all") / $(seconds "$one"), $(seconds "$all") / $cli }"
