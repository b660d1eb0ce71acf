#!/usr/bin/env bash
# Times `yarvelin-feed validate` on generated feeds of 100,000 and 1,000,000 products against
# `yarvelin-feed info` on the same file in the same run (info loads the whole feed as the wizard does), and
# records peak memory of both against the file size. The last row is the 1,000,000-product feed with every
# UPC's check digit put right (bench/with_valid_upcs.py), as a shop's real UPCs are: then every product goes
# into the duplicate-UPC table, where the random UPCs of the generated feed mostly do not.
# Usage: bench/validate_bench.sh [path/to/yarvelin-feed] [runs]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
work="$(mktemp -d "${TMPDIR:-/tmp}/validate-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| products | file MB | findings | info s | validate s | validate/info | info cpu s | validate cpu s | cpu validate/info | info peak MB | validate peak MB | validate peak/file |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for row in 100000 1000000 1000000u; do
  n="${row%u}"
  in="$work/in$row.txt"
  if [ "$row" = "$n" ]; then
    python3 "$here/generate_feed.py" "$n" "$in"
  else
    python3 "$here/with_valid_upcs.py" "$work/in$n.txt" "$in"
  fi
  bytes=$(stat -c %s "$in")
  cat "$in" >/dev/null  # warm the page cache for both alike
  findings=$("$cli" validate "$in" --max-per-code 0 | tail -1 | awk '{print $1 + $3 + $5}')
  read -r ti mi ci < <(measure "'$cli' info '$in'" "$runs")
  read -r tv mv cv < <(measure "'$cli' validate '$in'" "$runs")
  awk -v n="$row" -v b="$bytes" -v f="$findings" -v ti="$ti" -v tv="$tv" -v mi="$mi" -v mv="$mv" -v ci="$ci" \
      -v cv="$cv" 'BEGIN{
    printf "| %s | %.1f | %d | %.2f | %.2f | %.2fx | %.2f | %.2f | %.2fx | %.0f | %.1f | %.3fx |\n",
      n, b/1e6, f, ti, tv, tv/(ti>0?ti:0.01), ci, cv, cv/(ci>0?ci:0.01), mi/1024, mv/1024, mv*1024/b }'
done
