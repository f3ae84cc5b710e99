# Sourced by the benches, from the top of the tree.

# The tolvane-xref to measure: XREF, or a Release build in build-release/,
# made here when missing.
bench_xref() {
  if [ -n "${XREF:-}" ]; then
    echo "$XREF"
    return
  fi
  sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
  echo "$PWD/build-release/tolvane-xref"
}

# Ends the bench unless the folder $1 holds the benchmark trees' lists.
bench_need_corpus() {
  if [ ! -f "$1/c.list" ] || [ ! -f "$1/cpp.list" ]; then
    echo "No corpus in $1. Make it with:" >&2
    echo "  sudo sh ../shared/bench/make_corpus.sh $1" >&2
    exit 1
  fi
}
