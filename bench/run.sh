#!/usr/bin/env bash
# Runs every benchmark of a build folder; each prints ours against its peer.
set -u
build="${1:-build}"
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
for s in "$(dirname "$0")"/*.sh; do
  [ "$(basename "$s")" = run.sh ] && continue
  echo "== $(basename "$s")"
  bash "$s" "$build"
done
