#!/usr/bin/env bash
# How right tolvane-xref is on real code, against the tools people trust:
# Universal Ctags for definitions and cscope for callers, on the benchmark
# trees, for each set of rules.
#
#   Definitions: ctags' function tags against --format=ctags. A match is the
#   same file and line, with the last "::" part of our name equal to ctags'
#   name (operators compared without blanks). Lambdas, which ctags lists as
#   functions of their own (__anon and hex digits), are left out of its side.
#   Our entries without a match are given as they are, and less those shown
#   to be ctags' own mistakes (definitions in a later #if branch, which
#   ctags does not read, and those after the point where ctags stopped
#   reading a file), which are counted by kind with an example each.
#   Callers: for the 30 names with the most call sites in cscope's database
#   of the C tree (the same 30 for every set of rules), (file, calling
#   function) pairs of `cscope -L -3 NAME` (<global> left out) against
#   --format=grep --callers=NAME; the share of the larger side's pairs both
#   name, over the 30.
#
# Usage: bench/accuracy.sh [CORPUS]      (default /tmp/corpus)
# RULES lists the rule sets (default "syntax classic"); XREF names the
# tolvane-xref to measure (default: a Release build in build-release/).
# SHOW=N prints N differences of each side as examples (default 0).
set -euo pipefail
corpus=${1:-/tmp/corpus}
# A corpus named relative to where the script was started.
[ -d "$corpus" ] && corpus=$(cd "$corpus" && pwd)
cd "$(dirname "$0")/.."
. bench/common.sh
bench_need_corpus "$corpus"
for tool in ctags cscope python3; do
  command -v $tool >/dev/null || { echo "accuracy.sh needs $tool: sh scripts/install-deps.sh bench" >&2; exit 1; }
done
# --_xformat is Universal Ctags' own.
if ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  echo "accuracy.sh needs Universal Ctags: sh scripts/install-deps.sh bench" >&2
  exit 1
fi
xref=$(bench_xref)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$corpus"

# Uncompressed (-c), so that the names of its call sites can be counted.
cscope -b -c -k -q -i c.list -f "$work/cscope.out"
for tree in c cpp; do
  ctags -x --_xformat='%N	%F	%n' --kinds-C=f --kinds-C++=f -L $tree.list >"$work/ctags.$tree.txt"
  # Every tag of every kind: where ctags stopped reading a file.
  ctags -x --_xformat='%F	%n' -L $tree.list >"$work/ctags-all.$tree.txt"
done

for rules in ${RULES:-syntax classic}; do
  for tree in c cpp; do
    "$xref" -q --rules=$rules --format=ctags -L $tree.list >"$work/ours.tags" || true
    python3 - "$work" "$rules" "$tree" "${SHOW:-0}" <<'PY'
import re, sys
work, rules, tree, show = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
def norm(n):
    return re.sub(r'\s+', '', n) if n.startswith('operator') else n
def last(n):
    at = n.find('::operator')
    return n[at + 2:] if at >= 0 else n.split('::')[-1]
theirs = set()
for l in open(f'{work}/ctags.{tree}.txt', encoding='utf-8', errors='surrogateescape'):
    name, f, n = l.rstrip('\n').split('\t')
    if not re.fullmatch(r'__anon[0-9a-f]+', name):
        theirs.add((f, int(n), norm(name)))
ours = set()
for l in open(work + '/ours.tags', encoding='utf-8', errors='surrogateescape'):
    if l.startswith('!_TAG_'):
        continue
    name, f, rest = l.rstrip('\n').split('\t', 2)
    ours.add((f, int(rest.split(';')[0]), norm(last(name))))
missed = sorted(theirs - ours)
unmatched = sorted(ours - theirs)

# Two of ctags' own mistakes are told here and not counted against us:
# - it reads only the first branch of "#if/#else": a definition in a later
#   branch is not in its list;
# - it may stop reading a file (a macro it takes for the start of a block
#   that never ends): nothing of any kind is tagged after some line, while
#   we find at least three definitions there.
last_tag = {}
for l in open(f'{work}/ctags-all.{tree}.txt', encoding='utf-8', errors='surrogateescape'):
    f, n = l.rstrip('\n').split('\t')
    last_tag[f] = max(last_tag.get(f, 0), int(n))
def later_branch_lines(f):
    """The lines of f inside an #else or #elif branch (of any depth)."""
    lines, stack = set(), []
    try:
        text = open(f, 'rb').read().decode('latin-1').split('\n')
    except OSError:
        return lines
    for i, l in enumerate(text, 1):
        d = re.match(r'\s*#\s*(\w+)', l)
        word = d.group(1) if d else ''
        if word in ('if', 'ifdef', 'ifndef'):
            stack.append(False)
        elif word in ('else', 'elif') and stack:
            stack[-1] = True
        elif word == 'endif' and stack:
            stack.pop()
        elif any(stack):
            lines.add(i)
    return lines
by_file = {}
for k in unmatched:
    by_file.setdefault(k[0], []).append(k)
explained = {'in a later #if branch, which ctags does not read': [],
             'after the last tag ctags wrote for the file (it stopped reading)': []}
unexplained = []
for f, ks in by_file.items():
    branch = later_branch_lines(f)
    after = [k for k in ks if k[1] > last_tag.get(f, 0)]
    stopped = len(after) >= 3
    for k in ks:
        if k[1] in branch:
            explained['in a later #if branch, which ctags does not read'].append(k)
        elif stopped and k[1] > last_tag.get(f, 0):
            explained['after the last tag ctags wrote for the file (it stopped reading)'].append(k)
        else:
            unexplained.append(k)
print(f"{rules:7} {tree:4} definitions: ctags {len(theirs)}, ours {len(ours)}, "
      f"recall {100 - 100 * len(missed) / max(1, len(theirs)):.2f} %, "
      f"ours unmatched {100 * len(unmatched) / max(1, len(ours)):.2f} %, "
      f"less ctags' own mistakes {100 * len(unexplained) / max(1, len(ours)):.2f} %")
for why, ks in explained.items():
    if ks:
        print(f"   not counted: {len(ks)} {why}, e.g. {' '.join(map(str, ks[0]))}")
for k in missed[:: max(1, len(missed) // show)][:show] if show else []:
    print("   missed", *k)
for k in unexplained[:: max(1, len(unexplained) // show)][:show] if show else []:
    print("   unmatched", *k)
PY
  done

  # Callers over the C tree. A call site is a line "<tab>`NAME" of the
  # database: the names with most of them, ties by name.
  python3 - "$work" "$rules" "$xref" "${SHOW:-0}" <<'PY'
import collections, subprocess, sys
work, rules, xref, show = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
count = collections.Counter()
for l in open(work + '/cscope.out', 'rb'):
    if l.startswith(b'\t`'):
        count[l[2:].rstrip(b'\n').decode('utf-8', 'surrogateescape')] += 1
names = sorted(count, key=lambda n: (-count[n], n))[:30]
def cscope(name):
    out = subprocess.run(['cscope', '-d', '-f', work + '/cscope.out', '-L', '-3', name],
                         capture_output=True, text=True, errors='surrogateescape').stdout
    rows = [r.split(' ', 3) for r in out.splitlines()]
    return {(r[0], r[1]) for r in rows if r[1] != '<global>'}
agree = larger = 0
for name in names:
    theirs = cscope(name)
    out = subprocess.run([xref, '-q', '--rules=' + rules, '--format=grep', '--callers=' + name,
                          '-L', 'c.list'], capture_output=True, text=True,
                         errors='surrogateescape').stdout
    ours = set()
    for l in out.splitlines():
        f, _, caller = l.split(':', 2)
        ours.add((f, caller.strip().split('::')[-1]))
    both = len(theirs & ours)
    agree += both
    larger += max(len(theirs), len(ours))
    if show:
        print(f"   {name:24} cscope {len(theirs):5}  ours {len(ours):5}  both {both:5}"
              f"  only cscope {sorted(theirs - ours)[:1]}  only ours {sorted(ours - theirs)[:1]}")
print(f"{rules:7} c    callers of the 30 most called names: {100 * agree / max(1, larger):.2f} % agree")
PY
done
