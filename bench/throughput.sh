#!/usr/bin/env bash
# Throughput of tolvane-xref, with the syntax rules and with the classic
# rules, against `wc -l` (and Universal Ctags, when installed) over the same
# file lists, page cache warm, best of 7 runs each (RUNS), the tools taking
# turns: a shared machine moves single runs by a tenth or more.
# Then the default thread count against one thread (-j1), for each rule
# set, and the cost of walking the tree (-R) and of the JSON and Graphviz
# formats (the syntax rules), each against the text output of the same files.
#
# Usage: bench/throughput.sh [CORPUS]      (default /tmp/corpus)
# CORPUS holds c.list and cpp.list (paths relative to CORPUS), as made by
#   sudo sh ../shared/bench/make_corpus.sh CORPUS
# XREF names the tolvane-xref to measure (default: a Release build in
# build-release/, made here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
corpus=${1:-/tmp/corpus}
runs=${RUNS:-7}

bench_need_corpus "$corpus"

xref=$(bench_xref)
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
printf '%-4s %6s %9s  %12s %12s %12s %12s  %s\n' tree files MB "syntax MB/s" "classic MB/s" \
  "wc -l MB/s" "ctags MB/s" "syntax / classic / ctags / wc -l"
for tree in c cpp; do
  mapfile -t files < "$tree.list"
  bytes=$(cat "${files[@]}" | wc -c)
  declare -A best=()
  cat "${files[@]}" >/dev/null  # warm the page cache
  for ((i = 0; i < runs; i++)); do
    measure syntax "$xref" --rules=syntax "${files[@]}"
    measure classic "$xref" --rules=classic "${files[@]}"
    measure wc wc -l "${files[@]}"
    if [ $have_ctags = 1 ]; then
      measure ctags ctags --kinds-C=f --kinds-C++=f -f - -L "$tree.list"
    fi
  done
  s=$(mbps "$bytes" "${best[syntax]}")
  x=$(mbps "$bytes" "${best[classic]}")
  w=$(mbps "$bytes" "${best[wc]}")
  c=-
  [ $have_ctags = 1 ] && c=$(mbps "$bytes" "${best[ctags]}")
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == "-") print "-"; else printf "%.2f", a / b }'; }
  printf '%-4s %6d %9.1f  %12s %12s %12s %12s  %s / %s / %s\n' "$tree" "${#files[@]}" \
    "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$s" "$x" "$w" "$c" \
    "$(ratio "$s" "$x")" "$(ratio "$s" "$c")" "$(ratio "$s" "$w")"
  unset best
done

# ---- Threads: the default thread count against one (-j1) ----
echo
printf '%-4s %-8s %9s %12s  %s\n' tree rules "-j1 s" "default s" "default / -j1"
for tree in c cpp; do
  mapfile -t files < "$tree.list"
  for rules in syntax classic; do
    declare -A best=()
    for ((i = 0; i < runs; i++)); do
      measure one "$xref" --rules=$rules -j1 "${files[@]}"
      measure all "$xref" --rules=$rules "${files[@]}"
    done
    printf '%-4s %-8s %9.3f %12.3f  %.2f\n' "$tree" "$rules" \
      "$(awk -v ns="${best[one]}" 'BEGIN { print ns / 1e9 }')" \
      "$(awk -v ns="${best[all]}" 'BEGIN { print ns / 1e9 }')" \
      "$(awk -v a="${best[all]}" -v b="${best[one]}" 'BEGIN { print a / b }')"
    unset best
  done
done

# ---- Trees and formats: each against the text output of the same files ----
echo
printf '%-4s %8s %8s %8s %8s  %s\n' tree "text s" "-R s" "json s" "dot s" "-R / json / dot vs text"
for tree in c cpp; do
  mapfile -t files < "$tree.list"
  declare -A best=()
  for ((i = 0; i < runs; i++)); do
    measure text "$xref" "${files[@]}"
    measure tree "$xref" -R "$tree"
    measure json "$xref" --format=json "${files[@]}"
    measure dot "$xref" --format=dot "${files[@]}"
  done
  secs() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
  ratio() { awk -v a="$1" -v b="${best[text]}" 'BEGIN { printf "%.2f", a / b }'; }
  printf '%-4s %8s %8s %8s %8s  %s / %s / %s\n' "$tree" "$(secs "${best[text]}")" \
    "$(secs "${best[tree]}")" "$(secs "${best[json]}")" "$(secs "${best[dot]}")" \
    "$(ratio "${best[tree]}")" "$(ratio "${best[json]}")" "$(ratio "${best[dot]}")"
  unset best
done
# The graph of a whole tree is far too big to lay out, but Graphviz must read it.
if command -v nop >/dev/null; then
  for tree in c cpp; do
    if "$xref" -R --format=dot "$tree" | nop >/dev/null; then
      echo "$tree: the graph reads back with Graphviz (nop)"
    else
      echo "$tree: Graphviz could not read the graph" >&2
      exit 1
    fi
  done
fi
