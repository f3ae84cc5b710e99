#!/usr/bin/env bash
# Peak memory of tolvane-xref: it grows with the functions and names found,
# not with the size of a file or a line. Prints the peak resident set size
# for inputs made here (in a temporary folder, removed afterwards):
#   - a 200 MB file without a single statement end,
#   - a file holding one 100 MB line,
#   - 300,000 small functions (the table's own size),
# and for the benchmark trees when they are there (CORPUS, default /tmp/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-/tmp/corpus}
xref=${XREF:-}
if [ -z "$xref" ]; then
  sh scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF >/dev/null
  xref=$PWD/build-release/tolvane-xref
fi
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
PY

peak() {  # prints the peak RSS in MB of "$@"
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}
size() { du -m "$1" | cut -f1; }

printf '%-34s %10s %14s\n' input "size MB" "peak RSS MB"
printf '%-34s %10s %14s\n' "empty file" 0 "$(: > "$work/empty.c"; peak "$xref" "$work/empty.c")"
printf '%-34s %10s %14s\n' "200 MB without a statement end" "$(size "$work/no-end.c")" "$(peak "$xref" "$work/no-end.c")"
printf '%-34s %10s %14s\n' "one 100 MB line" "$(size "$work/long-line.c")" "$(peak "$xref" "$work/long-line.c")"
printf '%-34s %10s %14s\n' "300,000 functions" "$(size "$work/functions.c")" "$(peak "$xref" "$work/functions.c")"
if [ -f "$corpus/c.list" ]; then
  (cd "$corpus" && mapfile -t files < c.list && printf '%-34s %10s %14s\n' "C tree (${#files[@]} files)" \
    "$(cat "${files[@]}" | wc -c | awk '{ printf "%d", $1 / 1048576 }')" "$(peak "$xref" "${files[@]}")")
fi
