#!/usr/bin/env bash
# Builds the feed file fuzz target with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs it
# from the checked-in corpus. New inputs it finds go to a temporary folder, so the corpus stays as it is.
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
build/fuzz/tests/fuzz/feed_fuzz "$work" tests/fuzz/corpus -dict=tests/fuzz/feed.dict -max_len=1024 \
  -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 "$@"
