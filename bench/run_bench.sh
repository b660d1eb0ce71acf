#!/usr/bin/env bash
# A whole unattended run against the same work done by separate commands, on loopback: a shop's export of
# N rows (WooCommerce, every value quoted) through ten rules, the diagnostics, the write and the upload to a
# local FTP server (pyftpdlib), as `yarvelin-feed run JOB`, against
#   import --rules (the same profile and rules), then validate, then upload,
# each timed alone. Both upload through the safe replace; the remote copies are compared.
# Usage: bench/run_bench.sh [path/to/yarvelin-feed] [runs] [variable products]
#   (variable products have two variations each: 333,334 of them make about 1,000,000 rows)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="$(realpath "${1:-$here/../build/bench/yarvelin-feed}")"
runs="${2:-3}"
n="${3:-333334}"
work="$(mktemp -d "${TMPDIR:-/tmp}/run-bench-XXXXXX")"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

mkdir -p "$work/root" "$work/state" "$work/config"
/usr/bin/python3 "$here/../tests/fixtures/ftp_server.py" --root "$work/root" >"$work/server.txt" 2>/dev/null &
server=$!
for _ in $(seq 100); do grep -q '^PORT' "$work/server.txt" 2>/dev/null && break; sleep 0.05; done
port=$(awk '/^PORT/{print $2}' "$work/server.txt")
[ -n "$port" ] || { echo "the FTP server did not start" >&2; exit 1; }

csv="$work/export.csv"
python3 "$here/generate_woo_export.py" "$n" "$csv"
rows=$(($(wc -l <"$csv") - 1))
rules="$work/ten.rules.toml"
cp "$here/ten_rules.toml" "$rules"
for i in $(seq 1 195); do
  printf '"Shop > Department %d > Shelf %d" = "Home & Garden > Household Supplies"\n' "$i" "$i" >>"$rules"
done
printf 'secret\n' >"$work/pw"
import_args="--profile woocommerce --base-url https://shop.example --currency USD --rules $rules"
cat >"$work/job.toml" <<JOB
[source]
export = "$csv"
profile = "woocommerce"
base-url = "https://shop.example"
currency = "USD"
rules = "$rules"
[check]
max-errors = 1000000000
[output]
file = "$work/steps/merchant.txt"
[upload]
server = "ftp://127.0.0.1:$port"
user = "merchant"
password-file = "$work/pw"
binary = true
JOB
mkdir -p "$work/steps"
env="XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config"
upload="--server ftp://127.0.0.1:$port --user merchant --password-file $work/pw --binary"
cat "$csv" >/dev/null  # warm the page cache for both alike

read -r ti mi ci < <(measure "'$cli' import '$csv' '$work/steps/merchant.txt' $import_args 2>/dev/null" "$runs")
read -r tv mv cv < <(measure "'$cli' validate '$work/steps/merchant.txt' 2>/dev/null" "$runs")
read -r tu mu cu < <(measure "'$cli' upload '$work/steps/merchant.txt' $upload 2>/dev/null" "$runs")
cp "$work/root/merchant.txt" "$work/by-steps.txt"
read -r tr mr cr < <(measure "env $env '$cli' run --allow-drop '$work/job.toml' 2>/dev/null" "$runs")
tail -n1 "$work/state/yarvelin/history.jsonl" | grep -q '"status":0' || {
  echo "the run did not publish: $(tail -n1 "$work/state/yarvelin/history.jsonl")" >&2; exit 1; }
bytes=$(stat -c %s "$work/root/merchant.txt")
same=$(cmp -s "$work/by-steps.txt" "$work/root/merchant.txt" && echo "the same bytes" || echo "different bytes")

echo "rows: $rows; feed: $((bytes / 1000000)) MB ($same by both ways); best of $runs; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| step | s | cpu s | peak MB |\n|---|---:|---:|---:|\n'
awk -v ti="$ti" -v ci="$ci" -v mi="$mi" -v tv="$tv" -v cv="$cv" -v mv="$mv" -v tu="$tu" -v cu="$cu" -v mu="$mu" \
    -v tr="$tr" -v cr="$cr" -v mr="$mr" 'BEGIN{
  printf "| import --rules | %.2f | %.2f | %.0f |\n", ti, ci, mi/1024
  printf "| validate | %.2f | %.2f | %.0f |\n", tv, cv, mv/1024
  printf "| upload | %.2f | %.2f | %.0f |\n", tu, cu, mu/1024
  printf "| sum of the steps | %.2f | %.2f | |\n", ti+tv+tu, ci+cv+cu
  printf "| run | %.2f | %.2f | %.0f |\n", tr, cr, mr/1024
  printf "\nrun / sum of the steps: %.2fx wall, %.2fx cpu\n", tr/(ti+tv+tu), cr/(ci+cv+cu) }'
