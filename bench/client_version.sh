#!/bin/bash
# Whole-process time of `KorvelUtil version` with the daemon already running,
# against `KorvelUtil help` (no daemon contact) measured in the same run.
# Usage: bench/client_version.sh [installed tree]   (default: dist, else build/stage)
set -euo pipefail
tree="${1:-}"
if [ -z "$tree" ]; then
  for candidate in dist build/stage build-client/stage; do
    if [ -x "$candidate/bin/KorvelUtil" ]; then tree="$candidate"; break; fi
  done
fi
[ -n "$tree" ] || { echo "no installed tree (run make install)"; exit 1; }
runs="${RUNS:-31}"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "$tree" KorvelBench
./KorvelUtil version >/dev/null   # starts the daemon once

median_ms() {
  local samples=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s%N)
    ./KorvelUtil "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    samples+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${samples[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]/1000}'
}

help_ms=$(median_ms help)
version_ms=$(median_ms version)
ratio=$(awk -v v="$version_ms" -v h="$help_ms" 'BEGIN {printf "%.2f", v/h}')
echo "KorvelUtil help    (peer): median ${help_ms} ms over ${runs} runs"
echo "KorvelUtil version (ours): median ${version_ms} ms over ${runs} runs (target under 20 ms)"
echo "ratio version/help: ${ratio}"

# Instructions of the client process, which the machine's load does not move
# (when valgrind is there); the daemon's own work is not counted.
if command -v valgrind >/dev/null 2>&1; then
  instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null ./KorvelUtil "$@" 2>&1 >/dev/null |
      awk '/refs:/ {gsub(",", "", $NF); print $NF}'
  }
  help_ir=$(instructions help)
  version_ir=$(instructions version)
  if [ -n "$help_ir" ] && [ -n "$version_ir" ]; then
    awk -v v="$version_ir" -v h="$help_ir" 'BEGIN {
      printf "instructions: help %d   version %d   ratio version/help %.2f\n", h, v, v / h
    }'
  else
    echo "client_version: valgrind gave no instruction count" >&2
  fi
fi
