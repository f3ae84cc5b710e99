#!/usr/bin/env bash
# Throughput of tolvane-xref against `wc -l` (and Universal Ctags, when
# installed) over the same file lists, page cache warm, best of 3 runs each,
# the tools taking turns.
#
# Usage: bench/throughput.sh [CORPUS]      (default /tmp/corpus)
# CORPUS holds c.list and cpp.list (paths relative to CORPUS), as made by
#   sudo sh ../shared/bench/make_corpus.sh CORPUS
# XREF names the tolvane-xref to measure (default: a Release build in
# build-release/, made here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
corpus=${1:-/tmp/corpus}
runs=${RUNS:-3}

if [ ! -f "$corpus/c.list" ] || [ ! -f "$corpus/cpp.list" ]; then
  echo "No corpus in $corpus. Make it with:" >&2
  echo "  sudo sh ../shared/bench/make_corpus.sh $corpus" >&2
  exit 1
fi

xref=${XREF:-}
if [ -z "$xref" ]; then
  sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
  xref=$top/build-release/tolvane-xref
fi
have_ctags=0
if ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then have_ctags=1; fi

# Best wall time in seconds of running "$@" $runs times (output discarded).
now() { date +%s%N; }

measure() {  # name, then the command; sets best[name]
  local name=$1; shift
  local t0 t1 dt
  t0=$(now); "$@" >/dev/null 2>&1 || true; t1=$(now)
  dt=$((t1 - t0))
  if [ -z "${best[$name]:-}" ] || [ "$dt" -lt "${best[$name]}" ]; then best[$name]=$dt; fi
}

mbps() {  # bytes, nanoseconds
  awk -v b="$1" -v ns="$2" 'BEGIN { printf "%.1f", b / 1e6 / (ns / 1e9) }'
}

cd "$corpus"
printf '%-4s %6s %9s  %12s %12s %12s  %s\n' tree files MB "xref MB/s" "wc -l MB/s" "ctags MB/s" "xref / wc -l"
for tree in c cpp; do
  mapfile -t files < "$tree.list"
  bytes=$(cat "${files[@]}" | wc -c)
  declare -A best=()
  cat "${files[@]}" >/dev/null  # warm the page cache
  for ((i = 0; i < runs; i++)); do
    measure xref "$xref" "${files[@]}"
    measure wc wc -l "${files[@]}"
    if [ $have_ctags = 1 ]; then
      measure ctags ctags --kinds-C=f -f - -L "$tree.list"
    fi
  done
  x=$(mbps "$bytes" "${best[xref]}")
  w=$(mbps "$bytes" "${best[wc]}")
  c=-
  [ $have_ctags = 1 ] && c=$(mbps "$bytes" "${best[ctags]}")
  ratio=$(awk -v a="$x" -v b="$w" 'BEGIN { printf "%.2f", a / b }')
  printf '%-4s %6d %9.1f  %12s %12s %12s  %s\n' "$tree" "${#files[@]}" \
    "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$x" "$w" "$c" "$ratio"
  unset best
done
