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
cat >"$rules" <<'RULES'
[[rule]]
name = "Cheap and out of stock"
action = "exclude"
when = { all = [ { column = "instock", equals = "N" }, { column = "price", number = "< 50" } ] }

[[rule]]
name = "Deluxe in capitals"
action = "replace"
column = "name"
pattern = '(?i)\bdeluxe\b'
with = 'DELUXE'

[[rule]]
name = "Steel and oak swapped"
action = "replace"
column = "description"
pattern = '(steel) (oak)'
with = '\2 \1'

[[rule]]
name = "Secure links"
action = "replace"
column = "product_url"
find = "https://www."
with = "https://"

[[rule]]
name = "Ten percent more"
action = "calculate"
column = "price"
multiply = 1.1
round = 2

[[rule]]
name = "Brand first"
action = "prepend"
column = "name"
value = "{brand} "
when = { column = "brand", equals = "Acme" }

[[rule]]
name = "Returns"
action = "append"
column = "description"
value = " Free returns."
when = { column = "price", number = "> 500" }

[[rule]]
name = "Free shipping"
action = "set"
column = "shipping"
value = "0.00"
when = { column = "price", number = ">= 800" }

[[rule]]
name = "Currency"
action = "set"
column = "currency"
value = "USD"
when = { column = "currency", empty = true }

[[rule]]
name = "Category map"
action = "map"
default = "Home & Garden > Household Supplies"
[rule.map]
"Electronics > Audio > Headphones" = "Electronics > Audio > Portable Audio"
"Home & Garden > Kitchen > Cookware" = "Home & Garden > Kitchen > Cookware"
"Office Products > Paper > Notebooks" = "Office > Office Supplies > Paper Products"
"Flowers > Bouquets > Roses" = "Flowers > Roses"
"Toys > Games > Puzzles" = "Toys & Games > Puzzles"
RULES
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
