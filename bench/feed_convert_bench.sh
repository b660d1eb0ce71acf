#!/usr/bin/env bash
# Times `yarvelin-feed convert` on generated feeds of 100,000 and 1,000,000 products against `cat IN > OUT`
# and a Python csv (excel-tab) read-and-write of the same file, and records peak memory.
# Usage: bench/feed_convert_bench.sh [path/to/yarvelin-feed] [runs]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
work="$(mktemp -d "${TMPDIR:-/tmp}/feed-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# best wall time (s) and the peak resident set (KiB) of that run, over $runs runs
measure() {
  local best="" mem=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/t" bash -c "$1" >/dev/null
    read -r t m <"$work/t"
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; mem=$m; fi
  done
  echo "$best $mem"
}

printf '| products | file MB | cat s | cat+sync s | convert s | python s | convert/cat | convert/(cat+sync) | python/convert | convert peak MB | peak/file |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for n in 100000 1000000; do
  in="$work/in$n.txt"
  python3 "$here/generate_feed.py" "$n" "$in"
  bytes=$(stat -c %s "$in")
  cat "$in" >/dev/null  # warm the page cache for every contender alike
  read -r tc _ < <(measure "cat '$in' > '$work/cat.txt'")
  # convert syncs its output before renaming it over OUT; this is cat held to the same standard
  read -r ts _ < <(measure "cat '$in' > '$work/cat.txt' && sync '$work/cat.txt'")
  read -r tv mv < <(measure "'$cli' convert '$in' '$work/conv.txt'")
  read -r tp _ < <(measure "python3 '$here/python_csv_roundtrip.py' '$in' '$work/py.txt'")
  cmp -s "$in" "$work/conv.txt" || { echo "convert changed the bytes of a file in the writer's layout" >&2; exit 1; }
  awk -v n="$n" -v b="$bytes" -v tc="$tc" -v ts="$ts" -v tv="$tv" -v tp="$tp" -v mv="$mv" 'BEGIN{
    printf "| %d | %.1f | %.2f | %.2f | %.2f | %.2f | %.2fx | %.2fx | %.1fx | %.1f | %.3fx |\n",
      n, b/1e6, tc, ts, tv, tp, (tc>0? tv/tc : 0), (ts>0? tv/ts : 0), (tv>0? tp/tv : 0), mv/1024, mv*1024/b }'
done
