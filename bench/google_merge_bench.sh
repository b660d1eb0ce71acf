#!/usr/bin/env bash
# Times `yarvelin-feed import` of a Google RSS feed against the import of the same products as a
# tab-separated Google feed, and the tab-separated import with a merge file (a supplier's stock and price
# list of as many rows) against the import alone; records peak memory (/usr/bin/time -v's maximum resident
# set) against the merge file's size.
# Usage: bench/google_merge_bench.sh [path/to/yarvelin-feed] [runs] [products...]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
shift 2 || true
sizes=("${@:-1000000}")
work="$(mktemp -d "${TMPDIR:-/tmp}/google-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| items | xml MB | tsv MB | xml s | tsv s | xml/tsv | xml/tsv cpu | xml peak MB | merge MB | tsv+merge s | tsv+merge/tsv | tsv+merge/tsv cpu | tsv peak MB | tsv+merge peak MB | peak/merge file | (peak - tsv peak)/merge file |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for n in "${sizes[@]}"; do
  python3 "$here/generate_google_feed.py" "$n" "$work"
  cat "$work/feed.xml" "$work/feed.tsv" "$work/stock.csv" >/dev/null  # warm the page cache alike
  opts="--currency EUR --date 2026-01-15"
  read -r tx mx cx < <(measure "'$cli' import '$work/feed.xml' '$work/x.txt' $opts" "$runs")
  read -r tt mt ct < <(measure "'$cli' import '$work/feed.tsv' '$work/t.txt' $opts" "$runs")
  cmp -s "$work/x.txt" "$work/t.txt" || { echo "the XML and the TSV feed import differently" >&2; exit 1; }
  merge="--merge '$work/stock.csv' --merge-key sku --merge-map 'price={price}' --merge-map 'quantity={stock}' --merge-map 'instock={stock}'"
  read -r tm mm cm < <(measure "'$cli' import '$work/feed.tsv' '$work/m.txt' $opts $merge" "$runs")
  xb=$(stat -c %s "$work/feed.xml"); tb=$(stat -c %s "$work/feed.tsv"); mb=$(stat -c %s "$work/stock.csv")
  awk -v n="$n" -v xb="$xb" -v tb="$tb" -v mb="$mb" -v tx="$tx" -v tt="$tt" -v tm="$tm" -v mx="$mx" -v mt="$mt" -v mm="$mm" \
    -v cx="$cx" -v ct="$ct" -v cm="$cm" 'BEGIN{
    printf "| %d | %.1f | %.1f | %.2f | %.2f | %.2fx | %.2fx | %.1f | %.1f | %.2f | %.2fx | %.2fx | %.1f | %.1f | %.2fx | %.2fx |\n",
      n, xb/1e6, tb/1e6, tx, tt, tx/(tt>0?tt:0.01), cx/(ct>0?ct:0.01), mx/1024, mb/1e6, tm, tm/(tt>0?tt:0.01),
      cm/(ct>0?ct:0.01), mt/1024, mm/1024, mm*1024/mb, (mm-mt)*1024/mb }'
done
