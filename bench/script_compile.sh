#!/usr/bin/env bash
# Full compile speed of the DudoRazuzu compiler (tools/dudoc: front end, code
# generation and the .gsl written) against `luac5.4 -s -o` on a Lua twin of
# the same functions, both measured in this run, per source byte. Goal: <= 3.
set -u
build="${1:-build}"
dudoc="$build/tools/dudoc"
. "$(dirname "$0")/script_bench_helpers.bash"
setup_twin_bench script_compile "$dudoc"

if ! "$dudoc" "$work/big.gs" "-p$work/" >/dev/null || [ ! -s "$work/big.gsl" ]; then
  echo "script_compile: the generated source does not compile cleanly" >&2
  "$dudoc" "$work/big.gs" "-p$work/" | head -5 >&2
  exit 1
fi
ours=$(best "$runs" "$dudoc" "$work/big.gs" "-p$work/")
peer=$(best "$runs" luac5.4 -s -o "$work/big.luac" "$work/big.lua")
gs_bytes=$(stat -c %s "$work/big.gs")
lua_bytes=$(stat -c %s "$work/big.lua")
gs_lines=$(wc -l < "$work/big.gs")
gsl_bytes=$(stat -c %s "$work/big.gsl")
luac_bytes=$(stat -c %s "$work/big.luac")
awk -v ours="$ours" -v peer="$peer" -v gb="$gs_bytes" -v lb="$lua_bytes" -v lines="$gs_lines" \
    -v gsl="$gsl_bytes" -v luac="$luac_bytes" 'BEGIN {
  o = ours / gb; p = peer / lb
  printf "dudoc full compile:   %d lines, %d bytes -> %d bytes .gsl, %.1f ms, %.2f ns/byte\n", lines, gb, gsl, ours / 1e6, o
  printf "luac5.4 -s -o (twin): %d bytes -> %d bytes, %.1f ms, %.2f ns/byte\n", lb, luac, peer / 1e6, p
  printf "ratio (per byte): %.2f (goal <= 3)\n", o / p
}'
