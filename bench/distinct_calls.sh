#!/usr/bin/env bash
# What a function's calls cost as they grow: whether a new name is told
# from the names the function calls already in the same time however many
# they are. Prints the best wall time (of RUNS, default 3) of tolvane-xref
# over files made here (in a temporary folder, removed afterwards):
#   - one function of N distinct calls, N = 10,000, 100,000 and 1,000,000
#     (BIG=0 leaves the last out), and each time against the one before
#     (the aim: at most 12 x for 10 x the calls);
#   - one function of 2,000 distinct calls and 1,000,000 repeats of the
#     last, against a file of the same size without repeats, every call
#     distinct (the aim: at most 2 x).
# XREF names the tolvane-xref to measure (default: a Release build in
# build-release/, made here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
runs=${RUNS:-3}
big=${BIG:-1}
xref=$(bench_xref)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$big" <<'PY'
import sys
d, big = sys.argv[1], sys.argv[2] == "1"
# Every call line is 16 bytes: the files with and without repeats are of
# one size.
def call(i):
    return f"  c_{i:07d}(x);\n"
for n in (10000, 100000, 1000000) if big else (10000, 100000):
    with open(f"{d}/distinct-{n}.c", "w") as f:
        f.write("void f(void)\n{\n")
        f.writelines(call(i) for i in range(n))
        f.write("}\n")
with open(f"{d}/repeats.c", "w") as f:
    f.write("void f(void)\n{\n")
    f.writelines(call(i) for i in range(2000))
    f.write(call(1999) * 1000000)
    f.write("}\n")
with open(f"{d}/no-repeats.c", "w") as f:
    f.write("void f(void)\n{\n")
    f.writelines(call(i) for i in range(1002000))
    f.write("}\n")
PY

seconds() {  # the best wall time of "$@" in seconds
  local best= t0 t1
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
    if [ -z "$best" ] || [ $((t1 - t0)) -lt "$best" ]; then best=$((t1 - t0)); fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

printf '%-44s %10s %10s\n' input seconds ratio
prev=
for n in 10000 100000 1000000; do
  [ -f "$work/distinct-$n.c" ] || continue
  t=$(seconds "$xref" "$work/distinct-$n.c")
  ratio=-
  [ -n "$prev" ] && ratio=$(awk -v a="$t" -v b="$prev" 'BEGIN { printf "%.1f", a / b }')
  printf '%-44s %10s %10s\n' "one function, $n distinct calls" "$t" "$ratio"
  prev=$t
done
distinct=$(seconds "$xref" "$work/no-repeats.c")
repeats=$(seconds "$xref" "$work/repeats.c")
printf '%-44s %10s %10s\n' "1,002,000 distinct calls" "$distinct" -
printf '%-44s %10s %10s\n' "2,000 distinct calls, 1,000,000 repeats" "$repeats" \
  "$(awk -v a="$repeats" -v b="$distinct" 'BEGIN { printf "%.2f", a / b }')"
