#!/usr/bin/env bash
# Full compile speed of the DudoRazuzu compiler (tools/dudoc: front end, code
# generation and the .gsl written) against `luac5.4 -s -o` on a Lua twin of
# the same functions, both measured in this run, per source byte. Goal: <= 3.
# Then the peak memory of both processes on the same twin sources (goal:
# <= 5x luac's). Then an include-heavy compile (a main file including 200 files that each
# include one 5,000-line base) against compiling the same lines once in one
# file. Goal: about 1 (each dependency is compiled once, declarations only).
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

# Peak resident memory of each process (the kernel's high-water mark of the
# child, through GNU time).
peak_kb() {
  /usr/bin/time -o "$work/peak" -f '%M' "$@" >/dev/null 2>&1
  tail -1 "$work/peak"
}
if [ -x /usr/bin/time ]; then
  ours_kb=$(peak_kb "$dudoc" "$work/big.gs" "-p$work/")
  peer_kb=$(peak_kb luac5.4 -s -o "$work/big.luac" "$work/big.lua")
  awk -v ours="$ours_kb" -v peer="$peer_kb" 'BEGIN {
    printf "peak memory: dudoc %d KB, luac5.4 -s %d KB, ratio %.1f (goal <= 5)\n", ours, peer, ours / peer
  }'
else
  echo "peak memory: /usr/bin/time missing (Debian package time)"
fi

# Include-heavy: base.gs (~5,000 lines) included by 200 files, all included
# by main.gs; one.gs holds the same lines once.
inc="$work/include"
mkdir -p "$inc"
make_twin_sources 8 48 "$inc/base.gs" "$inc/base.lua"
{
  cat "$inc/base.gs"
  for ((i = 0; i < 200; i++)); do printf 'class I%d\n{\n  int v;\n};\n' "$i"; done
  printf 'class Main\n{\n  int v;\n};\n'
} > "$inc/one.gs"
for ((i = 0; i < 200; i++)); do
  printf 'include "base.gs"\nclass I%d\n{\n  int v;\n};\n' "$i" > "$inc/inc$i.gs"
done
{
  for ((i = 0; i < 200; i++)); do printf 'include "inc%d.gs"\n' "$i"; done
  printf 'class Main\n{\n  int v;\n};\n'
} > "$inc/main.gs"
for source in main one; do
  if ! "$dudoc" "$inc/$source.gs" "-p$inc/" >/dev/null; then
    echo "script_compile: the include-heavy $source.gs does not compile cleanly" >&2
    "$dudoc" "$inc/$source.gs" "-p$inc/" | head -5 >&2
    exit 1
  fi
done
included=$(best "$runs" "$dudoc" "$inc/main.gs" "-p$inc/")
once=$(best "$runs" "$dudoc" "$inc/one.gs" "-p$inc/")
awk -v included="$included" -v once="$once" 'BEGIN {
  printf "include-heavy (200 files including one 5,000-line base): %.1f ms\n", included / 1e6
  printf "the same lines once in one file:                          %.1f ms\n", once / 1e6
  printf "ratio: %.2f (goal about 1)\n", included / once
}'
