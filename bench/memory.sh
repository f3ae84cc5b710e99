#!/usr/bin/env bash
# Peak memory of tolvane-xref: it grows with the functions and names found,
# not with the size of a file or a line. Prints the peak resident set size
# for inputs made here (in a temporary folder, removed afterwards):
#   - a 200 MB file without a single statement end,
#   - a file holding one 100 MB line,
#   - 300,000 small functions (the table's own size),
#   - 1M and 3M functions of one call each, and the bytes each costs: the
#     peak less that of the empty file, per function,
# and for the benchmark trees when they are there (CORPUS, default /tmp/corpus),
# each with the syntax rules and with the classic rules.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
corpus=${1:-/tmp/corpus}
xref=$(bench_xref)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import sys
d = sys.argv[1]
with open(d + "/no-end.c", "w") as f:          # 200 MB, calls on every line, no ";" "{" "}"
    f.write("void f(void)\n{\n")
    line = "  call_something(with, arguments) /* and a comment */\n"
    f.write(line * (200 * 1024 * 1024 // len(line)))
with open(d + "/long-line.c", "w") as f:       # one line of 100 MB
    f.write("void f(void)\n{\n  g(")
    f.write("x, " * (100 * 1024 * 1024 // 3))
    f.write(");\n}\n")
with open(d + "/functions.c", "w") as f:       # 300,000 functions, 3 calls each
    for i in range(300000):
        f.write(f"int function_{i}(int a)\n{{\n  first_{i % 997}(a); second_{i % 89}(a); third(a);\n}}\n")
for count, name in ((1000000, "1m"), (3000000, "3m")):  # one call each
    with open(d + f"/functions-{name}.c", "w") as f:
        for i in range(count):
            f.write(f"int function_{i}(int a)\n{{\n  callee_{i % 1000}(a);\n}}\n")
PY

peak() {  # prints the peak RSS in MB of "$@"
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}
size() { du -m "$1" | cut -f1; }
row() {  # label, size, then the arguments: the peak with each rule set
  local label=$1 mb=$2; shift 2
  printf '%-34s %10s %10s %10s\n' "$label" "$mb" \
    "$(peak "$xref" --rules=syntax "$@")" "$(peak "$xref" --rules=classic "$@")"
}

echo "peak RSS in MB with the syntax rules and with the classic rules"
printf '%-34s %10s %10s %10s\n' input "size MB" syntax classic
: > "$work/empty.c"
row "empty file" 0 "$work/empty.c"
row "200 MB without a statement end" "$(size "$work/no-end.c")" "$work/no-end.c"
row "one 100 MB line" "$(size "$work/long-line.c")" "$work/long-line.c"
row "300,000 functions" "$(size "$work/functions.c")" "$work/functions.c"
for rules in syntax classic; do
  empty=$(peak "$xref" --rules=$rules "$work/empty.c")
  for name in 1m 3m; do
    count=$([ $name = 1m ] && echo 1000000 || echo 3000000)
    mb=$(peak "$xref" --rules=$rules "$work/functions-$name.c")
    printf '%-34s %10s %10s  %s B per function (%s)\n' "$count functions, one call each" \
      "$(size "$work/functions-$name.c")" "$mb" \
      "$(awk -v p="$mb" -v e="$empty" -v n="$count" 'BEGIN { printf "%.0f", (p - e) * 1048576 / n }')" "$rules"
  done
done
# JSON and DOT reach their formatter every 10,000 functions, not once a file.
for format in json dot; do
  row "1000000 functions, --format=$format" "$(size "$work/functions-1m.c")" --format=$format "$work/functions-1m.c"
done
for tree in c cpp; do
  if [ -f "$corpus/$tree.list" ]; then
    mapfile -t files < <(sed "s|^|$corpus/|" "$corpus/$tree.list")
    row "$tree tree (${#files[@]} files)" "$(cat "${files[@]}" | wc -c | awk '{ printf "%d", $1 / 1048576 }')" "${files[@]}"
  fi
done
