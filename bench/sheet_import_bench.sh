#!/usr/bin/env bash
# Times `yarvelin-feed import` of the same export as CSV, as .xlsx (shared strings) and as .ods, and checks
# that all three give the same feed. Target: a spreadsheet within 3x the CSV.
# Usage: bench/sheet_import_bench.sh [path/to/yarvelin-feed] [runs] [rows...]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bench/yarvelin-feed}"
runs="${2:-3}"
shift 2 || true
sizes=("${@:-100000}")
work="$(mktemp -d "${TMPDIR:-/tmp}/sheet-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| rows | form | file MB | import s | /CSV | cpu s | peak MB |\n'
printf '|---:|---|---:|---:|---:|---:|---:|\n'
for n in "${sizes[@]}"; do
  python3 "$here/generate_feed.py" "$n" "$work/feed.txt"
  "$cli" export "$work/feed.txt" "$work/export.csv" --csv
  python3 "$here/csv_to_sheet.py" "$work/export.csv" "$work/export.xlsx"
  python3 "$here/csv_to_sheet.py" "$work/export.csv" "$work/export.ods"
  csv_time=""
  for form in csv xlsx ods; do
    file="$work/export.$form"
    cat "$file" >/dev/null
    read -r t m c < <(measure "'$cli' import '$file' '$work/$form.txt' --profile generic" "$runs")
    csv_time="${csv_time:-$t}"
    cmp -s "$work/csv.txt" "$work/$form.txt" || { echo "the $form import differs from the CSV import" >&2; exit 1; }
    awk -v n="$n" -v f="$form" -v b="$(stat -c %s "$file")" -v t="$t" -v base="$csv_time" -v c="$c" -v m="$m" \
      'BEGIN{ printf "| %d | %s | %.1f | %.2f | %.2fx | %.2f | %.1f |\n", n, f, b/1e6, t, t/(base>0?base:0.01), c, m/1024 }'
  done
done
