#!/usr/bin/env bash
# Installs what is missing, builds the wizard and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" --target yarvelin yarvelin-feed
exec ./build/release/yarvelin "$@"
