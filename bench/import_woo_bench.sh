#!/usr/bin/env bash
# Times `yarvelin-feed import` of a WooCommerce export as its exporter writes it (every value quoted,
# variable products with two variations each) against `convert` of the feed the import makes, and records
# peak memory against the export's size.
# Usage: bench/import_woo_bench.sh [path/to/yarvelin-feed] [runs] [variable products...]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
shift 2 || true
sizes=("${@:-30000}")
work="$(mktemp -d "${TMPDIR:-/tmp}/import-woo-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| parents | rows | export MB | import s | convert s | import/convert | import cpu s | convert cpu s | import peak MB | import peak/export |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for n in "${sizes[@]}"; do
  csv="$work/export$n.csv"
  python3 "$here/generate_woo_export.py" "$n" "$csv"
  bytes=$(stat -c %s "$csv")
  rows=$(($(wc -l <"$csv") - 1))
  args="--profile woocommerce --base-url https://shop.example --currency USD --date 2026-01-01"
  "$cli" import "$csv" "$work/imported.txt" $args 2>/dev/null
  cat "$csv" "$work/imported.txt" >/dev/null  # warm the page cache for both contenders alike
  read -r ti mi ci < <(measure "'$cli' import '$csv' '$work/imported.txt' $args 2>/dev/null" "$runs")
  read -r tv _ cv < <(measure "'$cli' convert '$work/imported.txt' '$work/conv.txt'" "$runs")
  cmp -s "$work/imported.txt" "$work/conv.txt" || { echo "the imported feed does not convert to itself" >&2; exit 1; }
  awk -v n="$n" -v r="$rows" -v b="$bytes" -v ti="$ti" -v tv="$tv" -v ci="$ci" -v cv="$cv" -v mi="$mi" 'BEGIN{
    printf "| %d | %d | %.1f | %.2f | %.2f | %.2fx | %.2f | %.2f | %.1f | %.3fx |\n",
      n, r, b/1e6, ti, tv, ti/(tv>0?tv:0.01), ci, cv, mi/1024, mi*1024/b }'
done
