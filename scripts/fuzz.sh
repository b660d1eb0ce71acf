#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs each from its
# checked-in corpus, sharing the time between them. New inputs they find go to a temporary folder, so the
# corpora stay as they are.
#   scripts/fuzz.sh [SECONDS] [more libFuzzer options, e.g. -runs=10000000]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN="${1:-60}"
shift || true
JOBS=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$JOBS"
# The target writes and syncs files for every input: a memory file system keeps that fast.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each target, its corpus, its options and its share of the run in seconds out of 60 (scaled to
# SECONDS_TO_RUN). A new target adds a line here.
TARGETS=(
  "feed_fuzz 20 tests/fuzz/corpus -dict=tests/fuzz/feed.dict -max_len=1024"
  "sheet_fuzz 20 tests/fuzz/sheet_corpus -max_len=8192"
  "xml_feed_fuzz 20 tests/fuzz/xml_corpus -dict=tests/fuzz/xml.dict -max_len=4096"
)
for entry in "${TARGETS[@]}"; do
  read -r target share corpus options <<<"$entry"
  seconds=$(( share * SECONDS_TO_RUN / 60 ))
  mkdir -p "$work/$target"
  # shellcheck disable=SC2086 # options are separate words
  build/fuzz/tests/fuzz/"$target" "$work/$target" "$corpus" $options -max_total_time=$(( seconds > 0 ? seconds : 1 )) \
    -print_final_stats=1 "$@"
done
