#!/usr/bin/env bash
# Times `yarvelin-feed convert` on generated feeds of 100,000 and 1,000,000 products against `cat IN > OUT`
# and a Python csv (excel-tab) read-and-write of the same file, and records peak memory. Also times `info`,
# which loads the whole feed into the document as the wizard does.
# Usage: bench/feed_convert_bench.sh [path/to/yarvelin-feed] [runs]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
work="$(mktemp -d "${TMPDIR:-/tmp}/feed-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

echo "runs: best of $runs (Python: 1); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| products | file MB | cat s | cat+sync s | convert s | python s | convert/cat | convert/(cat+sync) | python/convert | cat cpu s | convert cpu s | convert peak MB | convert peak/file | info s | info peak MB | info peak/file |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for n in 100000 1000000; do
  in="$work/in$n.txt"
  python3 "$here/generate_feed.py" "$n" "$in"
  bytes=$(stat -c %s "$in")
  cat "$in" >/dev/null  # warm the page cache for every contender alike
  read -r tc _ cc < <(measure "cat '$in' > '$work/cat.txt'" "$runs")
  # convert syncs its output before renaming it over OUT; this is cat held to the same standard
  read -r ts _ _ < <(measure "cat '$in' > '$work/cat.txt' && sync '$work/cat.txt'" "$runs")
  read -r tv mv cv < <(measure "'$cli' convert '$in' '$work/conv.txt'" "$runs")
  read -r ti mi _ < <(measure "'$cli' info '$in'" "$runs")
  read -r tp _ _ < <(measure "python3 '$here/python_csv_roundtrip.py' '$in' '$work/py.txt'" 1)
  cmp -s "$in" "$work/conv.txt" || { echo "convert changed the bytes of a file in the writer's layout" >&2; exit 1; }
  awk -v n="$n" -v b="$bytes" -v tc="$tc" -v ts="$ts" -v tv="$tv" -v tp="$tp" -v mv="$mv" -v cc="$cc" \
      -v cv="$cv" -v ti="$ti" -v mi="$mi" 'BEGIN{
    printf "| %d | %.1f | %.2f | %.2f | %.2f | %.2f | %.2fx | %.2fx | %.1fx | %.2f | %.2f | %.1f | %.3fx | %.2f | %.0f | %.2fx |\n",
      n, b/1e6, tc, ts, tv, tp, tv/(tc>0?tc:0.01), tv/(ts>0?ts:0.01), tp/(tv>0?tv:0.01), cc, cv, mv/1024,
      mv*1024/b, ti, mi/1024, mi*1024/b }'
done
