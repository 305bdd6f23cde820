#!/usr/bin/env bash
# Scaling of the DudoRazuzu semantic pass (tools/gsfront): a class with
# 20,000 functions beside classes holding 50,000 member names, against the
# same at twice the size, both measured in this run. The symbol tables have
# a fixed 31 or 61 buckets (their iteration order is in the output), so a
# table that walked its chains would make this quadratic. Goal: ratio <= 2.5.
set -u
build="${1:-build}"
front="$build/tools/gsfront"
. "$(dirname "$0")/script_bench_helpers.bash"
if [ ! -x "$front" ]; then
  echo "script_semantic_scale: $front not built" >&2
  exit 1
fi
work=${KEEP_DIR:-$(mktemp -d)}
[ -n "${KEEP_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
runs="${RUNS:-3}"

# write_scale_source FACTOR FILE
write_scale_source() {
  awk -v factor="$1" -v out="$2" 'BEGIN {
    printf "class Big\n{\n" > out
    for (i = 0; i < 20000 * factor; i++) printf "  int f%d(int a) { return a + %d; }\n", i, i > out
    printf "};\n" > out
    for (c = 0; c < 50 * factor; c++) {
      printf "class N%d\n{\n", c > out
      for (m = 0; m < 1000; m++) printf "  int m%d;\n", m > out
      printf "};\n" > out
    }
  }'
}

write_scale_source 1 "$work/one.gs"
write_scale_source 2 "$work/two.gs"
for source in one two; do
  if ! "$front" "$work/$source.gs" >/dev/null; then
    echo "script_semantic_scale: $source.gs does not check cleanly" >&2
    "$front" "$work/$source.gs" | head -5 >&2
    exit 1
  fi
done
one=$(best "$runs" "$front" "$work/one.gs")
two=$(best "$runs" "$front" "$work/two.gs")
awk -v one="$one" -v two="$two" 'BEGIN {
  printf "semantic pass, 20,000 functions and 50,000 names: %.1f ms\n", one / 1e6
  printf "the same at twice the size:                       %.1f ms\n", two / 1e6
  printf "ratio: %.2f (goal <= 2.5)\n", two / one
}'
