#!/usr/bin/env bash
# Times a delta run of a job (`yarvelin-feed run` with [output] mode = "delta") of 1,000,000 products of
# which 1 % changed since the last upload, against `convert` of the same feed. The run reads and diagnoses
# the feed, writes it, unpacks the newest snapshot, compares, writes the partial update, uploads it to a
# pyftpdlib server on loopback and keeps the new snapshot. The feed the job reads switches between the two
# versions each run, so every measured run finds 1 % changed.
# Usage: bench/delta_run_bench.sh [path/to/yarvelin-feed] [runs] [products]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="$(realpath "${1:-$here/../build/bench/yarvelin-feed}")"
runs="${2:-3}"
n="${3:-1000000}"
work="$(mktemp -d "${TMPDIR:-/tmp}/delta-run-bench-XXXXXX")"
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid"; rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

# shellcheck source=bench/measure.sh
source "$here/measure.sh"

python3 "$here/generate_feed.py" "$n" "$work/a.txt"
# The same 1 % change as bench/diff_bench.sh: every 200th repriced, every 400th replaced by a new product.
python3 - "$work/a.txt" "$work/b.txt" <<'PY'
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

mkdir -p "$work/root" "$work/out" "$work/state"
/usr/bin/python3 "$here/../tests/fixtures/ftp_server.py" --root "$work/root" >"$work/port" 2>/dev/null &
server_pid=$!
until grep -q PORT "$work/port" 2>/dev/null; do sleep 0.1; done
port=$(cut -d' ' -f2 "$work/port")
echo secret >"$work/merchant.pw"
cat >"$work/shop.toml" <<TOML
[source]
feed = "in.txt"
[output]
file = "out/merchant.txt"
mode = "delta"
[upload]
server = "ftp://127.0.0.1:$port"
user = "merchant"
password-file = "merchant.pw"
binary = true
TOML
export XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
allow="--allow-errors --allow-changes --allow-deletes --allow-drop"
ln -sf a.txt "$work/in.txt"
"$cli" run $allow "$work/shop.toml"  # the whole feed, and the first snapshot
cat "$work/a.txt" "$work/b.txt" >/dev/null  # warm the page cache for every contender alike

echo "runs: best of $runs; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
read -r tc mc _ < <(measure "'$cli' convert '$work/b.txt' '$work/conv.txt'" "$runs")
# Each run reads the other version: 1 % changed against the snapshot the run before kept.
switch="cd '$work' && if [ \"\$(readlink in.txt)\" = a.txt ]; then ln -sf b.txt in.txt; else ln -sf a.txt in.txt; fi"
read -r tr mr _ < <(measure "$switch; '$cli' run $allow '$work/shop.toml' 2>'$work/run.err'" "$runs")
tail -1 "$work/run.err"
delta_bytes=$(stat -c %s "$work/out/merchant.txt.delta")
printf '| products | feed MB | delta MB | convert s | delta run s | run/convert | convert peak MB | run peak MB |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|\n'
awk -v n="$n" -v f="$(stat -c %s "$work/b.txt")" -v d="$delta_bytes" -v tc="$tc" -v tr="$tr" -v mc="$mc" -v mr="$mr" 'BEGIN{
  printf "| %d | %.0f | %.1f | %.2f | %.2f | %.2fx | %.0f | %.0f |\n",
    n, f/1e6, d/1e6, tc, tr, tr/(tc>0?tc:0.01), mc/1024, mr/1024 }'
