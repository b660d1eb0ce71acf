#!/usr/bin/env bash
# Times `yarvelin-feed diff` of two 1,000,000-product feeds that differ in 1 % of their products (prices
# changed, products removed and added) against `convert` of one of them, and records peak memory against
# the size of the two files. Then the same diff writing the partial update (--delta), which is the work a
# delta run adds to writing the feed.
# Usage: bench/diff_bench.sh [path/to/yarvelin-feed] [runs] [products]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
n="${3:-1000000}"
work="$(mktemp -d "${TMPDIR:-/tmp}/diff-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

old="$work/old.txt"
new="$work/new.txt"
python3 "$here/generate_feed.py" "$n" "$old"
# 1 % of the products differ: every 200th repriced, every 400th removed, as many new ones appended.
python3 - "$old" "$new" <<'PY'
import sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
out, added = [lines[0]], []
for i, line in enumerate(lines[1:]):
    if i % 400 == 399:
        fields = line.split(b"\t")
        fields[6] = b"NEW" + fields[6]
        added.append(b"\t".join(fields))
        continue
    if i % 200 == 0:
        fields = line.split(b"\t")
        fields[3] = b"%.2f" % (float(fields[3]) + 1)
        line = b"\t".join(fields)
    out.append(line)
open(sys.argv[2], "wb").write(b"\r\n".join(out + added))
PY
bytes=$(( $(stat -c %s "$old") + $(stat -c %s "$new") ))
cat "$old" "$new" >/dev/null  # warm the page cache for every contender alike

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$cli" diff "$old" "$new" >"$work/diff.txt" || true  # 1: the feeds differ
head -1 "$work/diff.txt"
echo
read -r tc mc _ < <(measure "'$cli' convert '$old' '$work/conv.txt'" "$runs")
read -r td md _ < <(measure "'$cli' diff '$old' '$new'" "$runs")
read -r tj mj _ < <(measure "'$cli' diff --json '$old' '$new'" "$runs")
read -r tx mx _ < <(measure "'$cli' diff --delta '$work/delta.txt' '$old' '$new'" "$runs")
printf '| products | two files MB | convert s | diff s | diff/convert | diff --json s | diff --delta s | delta/convert | convert peak MB | diff peak MB | diff peak/two files | diff --delta peak MB |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
awk -v n="$n" -v b="$bytes" -v tc="$tc" -v td="$td" -v tj="$tj" -v tx="$tx" -v mc="$mc" -v md="$md" -v mx="$mx" 'BEGIN{
  printf "| %d | %.0f | %.2f | %.2f | %.2fx | %.2f | %.2f | %.2fx | %.0f | %.0f | %.3fx | %.0f |\n",
    n, b/1e6, tc, td, td/(tc>0?tc:0.01), tj, tx, tx/(tc>0?tc:0.01), mc/1024, md/1024, md*1024/b, mx/1024 }'
