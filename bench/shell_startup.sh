#!/usr/bin/env bash
# Whole-process cost of `KorvelUtil help` (load, static set-up, help text,
# immediate exit) against /bin/true, measured in the same run.
set -u
build="${1:-build}"
util="$build/app/KorvelUtil"
runs="${RUNS:-200}"
if [ ! -x "$util" ]; then
  echo "shell_startup: $util not built" >&2
  exit 1
fi

# Nanoseconds for $runs runs of the command.
measure() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  echo $((end - start))
}

measure /bin/true >/dev/null  # warm the caches for both
peer=$(measure /bin/true)
ours=$(measure "$util" help)
awk -v ours="$ours" -v peer="$peer" -v runs="$runs" 'BEGIN {
  printf "KorvelUtil help: %.3f ms/run   /bin/true: %.3f ms/run   ratio %.2f\n",
         ours / runs / 1e6, peer / runs / 1e6, ours / peer
}'

# Instructions, which the machine's load does not move (when valgrind is there).
if command -v valgrind >/dev/null 2>&1; then
  instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
      awk '/refs:/ {gsub(",", "", $NF); print $NF}'
  }
  ours_ir=$(instructions "$util" help)
  peer_ir=$(instructions /bin/true)
  if [ -n "$ours_ir" ] && [ -n "$peer_ir" ]; then
    awk -v ours="$ours_ir" -v peer="$peer_ir" 'BEGIN {
      printf "KorvelUtil help: %d instructions   /bin/true: %d   ratio %.2f\n", ours, peer, ours / peer
    }'
  else
    echo "shell_startup: valgrind gave no instruction count" >&2
  fi
fi
