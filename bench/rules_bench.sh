#!/usr/bin/env bash
# Times `yarvelin-feed convert --rules` with ten rules (a category map of 200 entries, two regular
# expressions, a calculation, an exclusion and five more) against `convert` alone on a generated feed of
# 1,000,000 products, and records the peak memory of both.
# Usage: bench/rules_bench.sh [path/to/yarvelin-feed] [runs] [products]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
n="${3:-1000000}"
work="$(mktemp -d "${TMPDIR:-/tmp}/rules-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

rules="$work/bench.rules.toml"
cp "$here/ten_rules.toml" "$rules"
for i in $(seq 1 195); do
  printf '"Shop > Department %d > Shelf %d" = "Home & Garden > Household Supplies"\n' "$i" "$i" >>"$rules"
done

in="$work/in.txt"
python3 "$here/generate_feed.py" "$n" "$in"
bytes=$(stat -c %s "$in")
cat "$in" >/dev/null  # warm the page cache for both alike
"$cli" rules "$rules" "$in" >&2
read -r tc mc cc < <(measure "'$cli' convert '$in' '$work/plain.txt'" "$runs")
read -r tr mr cr < <(measure "'$cli' convert --rules '$rules' '$in' '$work/ruled.txt'" "$runs")

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| products | file MB | convert s | convert --rules s | rules/convert | convert cpu s | rules cpu s | convert peak MB | rules peak MB | peak difference MB |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
awk -v n="$n" -v b="$bytes" -v tc="$tc" -v tr="$tr" -v cc="$cc" -v cr="$cr" -v mc="$mc" -v mr="$mr" 'BEGIN{
  printf "| %d | %.1f | %.2f | %.2f | %.2fx | %.2f | %.2f | %.1f | %.1f | %.1f |\n",
    n, b/1e6, tc, tr, tr/(tc>0?tc:0.01), cc, cr, mc/1024, mr/1024, (mr-mc)/1024 }'
