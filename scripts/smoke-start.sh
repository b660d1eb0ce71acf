#!/usr/bin/env bash
# Starts the built wizard offscreen with fresh settings and checks that it comes up and stays up for a few
# seconds. Usage: smoke-start.sh PATH-TO-yarvelin [SECONDS]
set -euo pipefail
program=$1
seconds=${2:-5}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
status=0
env -u DISPLAY QT_QPA_PLATFORM=offscreen HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_STATE_HOME="$home/.local/state" XDG_DATA_HOME="$home/.local/share" \
  timeout --signal=TERM "$seconds" "$program" >"$home/out.txt" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
  echo "the wizard did not stay up for ${seconds} s (exit status $status):" >&2
  cat "$home/out.txt" >&2
  exit 1
fi
echo "the wizard started and stayed up for ${seconds} s"
