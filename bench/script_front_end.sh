#!/usr/bin/env bash
# Front-end speed of the DudoRazuzu compiler (scan + parse + semantic checks,
# tools/gsfront) against `luac5.4 -p` on a Lua twin of the same functions,
# both measured in this run, per source byte. Goal: ratio <= 3.
set -u
build="${1:-build}"
front="$build/tools/gsfront"
. "$(dirname "$0")/script_bench_helpers.bash"
setup_twin_bench script_front_end "$front"

if ! "$front" "$work/big.gs" >/dev/null; then
  echo "script_front_end: the generated source does not check cleanly" >&2
  "$front" "$work/big.gs" | head -5 >&2
  exit 1
fi
ours=$(best "$runs" "$front" "$work/big.gs")
peer=$(best "$runs" luac5.4 -p "$work/big.lua")
gs_bytes=$(stat -c %s "$work/big.gs")
lua_bytes=$(stat -c %s "$work/big.lua")
gs_lines=$(wc -l < "$work/big.gs")
awk -v ours="$ours" -v peer="$peer" -v gb="$gs_bytes" -v lb="$lua_bytes" -v lines="$gs_lines" 'BEGIN {
  o = ours / gb; p = peer / lb
  printf "DudoRazuzu front end: %d lines, %d bytes, %.1f ms, %.2f ns/byte\n", lines, gb, ours / 1e6, o
  printf "luac5.4 -p (twin):    %d bytes, %.1f ms, %.2f ns/byte\n", lb, peer / 1e6, p
  printf "ratio (per byte): %.2f (goal <= 3)\n", o / p
}'
