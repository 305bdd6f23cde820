#!/bin/bash
# createcdp of 250 and of 1,000 small assets as whole processes (daemon
# running): the time must grow with the assets, not with their square.
# The anchor is copying the finished archive's bytes with cp.
# Usage: bench/createcdp.sh <installed tree>
set -euo pipefail
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "${1:-dist}" KorvelCreateCDPBench
ids=()
for i in $(seq 1 1000); do
  folder="$work/assets/a$i"
  mkdir -p "$folder"
  kuid="<kuid:424243:$i>"
  printf 'kuid %s\nkind "scenery"\nusername "CDP bench %d"\nkuid-table {\n  0 <kuid:424243:%d>\n}\n' \
    "$kuid" "$i" "$(( i > 1 ? i - 1 : 1000 ))" >"$folder/config.txt"
  head -c 4000 /dev/urandom >"$folder/mesh.im"
  ./KorvelUtil installfrompath "$folder" >/dev/null
  ids+=("$kuid")
done
# Best of three, in milliseconds, of createcdp over the first n ids.
best_ms() {
  local n=$1 best=""
  for _ in 1 2 3; do
    rm -f "$work/out$n.cdp"
    local start end
    start=$(date +%s%N)
    ./KorvelUtil createcdp "$work/out$n.cdp" "${ids[@]:0:$n}" >/dev/null
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
t250=$(best_ms 250)
t1000=$(best_ms 1000)
start=$(date +%s%N)
cp "$work/out1000.cdp" "$work/copy.cdp"
sync "$work/copy.cdp" 2>/dev/null || true
anchor=$(( ($(date +%s%N) - start) / 1000000 ))
echo "createcdp 250 assets:   $t250 ms"
echo "createcdp 1000 assets:  $t1000 ms ($(stat -c %s "$work/out1000.cdp") bytes)"
echo "cp of the 1000-asset archive (anchor): $anchor ms"
awk -v a="$t250" -v b="$t1000" 'BEGIN { printf "ratio 1000/250: %.2f (target at most 5)\n", b / (a > 0 ? a : 1) }'
awk -v b="$t1000" -v c="$anchor" 'BEGIN { printf "ratio createcdp 1000 / cp: %.1f\n", b / (c > 0 ? c : 1) }'
