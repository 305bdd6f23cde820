#!/usr/bin/env bash
# Front-end speed of the DudoRazuzu compiler (scan + parse + semantic checks,
# tools/gsfront) against `luac5.4 -p` on a Lua twin of the same functions,
# both measured in this run, per source byte. Goal: ratio <= 3.
set -u
build="${1:-build}"
front="$build/tools/gsfront"
if [ ! -x "$front" ]; then
  echo "script_front_end: $front not built" >&2
  exit 1
fi
if ! command -v luac5.4 >/dev/null 2>&1; then
  echo "script_front_end: luac5.4 missing (Debian package lua5.4)" >&2
  exit 1
fi
work=${KEEP_DIR:-$(mktemp -d)}
[ -n "${KEEP_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
classes="${CLASSES:-150}"
functions="${FUNCTIONS:-50}"
runs="${RUNS:-5}"

# ~13 lines per function: a local, a for loop, if/else, arithmetic, a member
# update and a string concatenation; the Lua twin does the same.
awk -v classes="$classes" -v functions="$functions" -v gs="$work/big.gs" -v lua="$work/big.lua" 'BEGIN {
  for (c = 0; c < classes; c++) {
    printf "class C%d\n{\n  int total;\n  string label;\n", c > gs
    printf "C%d = {}\nC%d.__index = C%d\n", c, c, c > lua
    for (f = 0; f < functions; f++) {
      printf "  public int f%d(int a, int b)\n  {\n    int i;\n    int sum = 0;\n", f > gs
      printf "    for (i = 0; i < a; i++)\n    {\n      if (i %% 2 == 0) sum = sum + i * b;\n", f > gs
      printf "      else sum = sum - (i << 1);\n    }\n    total = total + sum;\n", f > gs
      printf "    label = \"f%d \" + sum;\n    return sum;\n  }\n", f > gs
      printf "function C%d:f%d(a, b)\n  local sum = 0\n  for i = 0, a - 1 do\n", c, f > lua
      printf "    if i %% 2 == 0 then sum = sum + i * b\n    else sum = sum - (i << 1) end\n  end\n", f > lua
      printf "  self.total = (self.total or 0) + sum\n  self.label = \"f%d \" .. sum\n  return sum\nend\n", f > lua
    }
    printf "};\n" > gs
  }
}'

# Best wall time of $runs runs, in nanoseconds.
best() {
  local best_ns=0 start end ns
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ns=$((end - start))
    if [ "$best_ns" -eq 0 ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  echo "$best_ns"
}

if ! "$front" "$work/big.gs" >/dev/null; then
  echo "script_front_end: the generated source does not check cleanly" >&2
  "$front" "$work/big.gs" | head -5 >&2
  exit 1
fi
ours=$(best "$front" "$work/big.gs")
peer=$(best luac5.4 -p "$work/big.lua")
gs_bytes=$(stat -c %s "$work/big.gs")
lua_bytes=$(stat -c %s "$work/big.lua")
gs_lines=$(wc -l < "$work/big.gs")
awk -v ours="$ours" -v peer="$peer" -v gb="$gs_bytes" -v lb="$lua_bytes" -v lines="$gs_lines" 'BEGIN {
  o = ours / gb; p = peer / lb
  printf "DudoRazuzu front end: %d lines, %d bytes, %.1f ms, %.2f ns/byte\n", lines, gb, ours / 1e6, o
  printf "luac5.4 -p (twin):    %d bytes, %.1f ms, %.2f ns/byte\n", lb, peer / 1e6, p
  printf "ratio (per byte): %.2f (goal <= 3)\n", o / p
}'
