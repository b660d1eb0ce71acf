#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: once normally, once under
# AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer on the Qt-free tests), and the threaded tests
# under ThreadSanitizer; Clang builds everything once with warnings as errors. The Debian package is built,
# checked with lintian, installed, checked and removed again. The tests start their own servers on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
# The release and package builds compile the same sources with the same options in two folders: with paths
# taken relative to the checkout, the second finds everything in the compiler cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
export YARVELIN_PACKAGE_CMAKE_ARGS="-DYARVELIN_WERROR=ON"
SECONDS=0
stage() { echo "== $1 (at ${SECONDS}s)"; }

stage "format check"
git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' | xargs -0 clang-format --dry-run -Werror

stage "the wizard as scripts/run.sh builds it (GCC -O3, warnings as errors here), started offscreen"
cmake --preset release -DYARVELIN_WERROR=ON >/dev/null
cmake --build --preset release -j "$JOBS" --target yarvelin yarvelin-feed
bash scripts/smoke-start.sh build/release/yarvelin

stage "build and test (Debug)"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$JOBS"
ctest --preset debug -j "$JOBS"

stage "Debian package: lintian, install, installed checks, removal"
bash scripts/check-package.sh

stage "build (Clang, warnings as errors)"
cmake --preset clang >/dev/null
cmake --build --preset clang -j "$JOBS"

stage "build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$JOBS"
ctest --preset asan -j "$JOBS"

stage "build and test the threaded tests (ThreadSanitizer)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$JOBS" --target \
  $(ctest --preset tsan --show-only=json-v1 2>/dev/null | python3 -c \
    'import json,sys; print(" ".join(t["name"] for t in json.load(sys.stdin)["tests"]))')
ctest --preset tsan -j "$JOBS"

stage "fuzz the feed file loader and writer for one minute"
# Bounded twice: libFuzzer stops itself after 60 s, and the whole step may not outlast 10 minutes.
timeout 600 bash scripts/fuzz.sh 60

stage "all tests passed"
