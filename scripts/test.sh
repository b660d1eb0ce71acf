#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once normally, once under
# AddressSanitizer + UndefinedBehaviorSanitizer. The tests start their own servers on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

echo "== build and test (Debug)"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$JOBS"
ctest --preset debug -j "$JOBS"

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$JOBS"
echo "== all tests passed"
