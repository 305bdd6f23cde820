#!/bin/bash
# Command-host cost as whole processes, with the daemon already running:
#   - the first `validate` after the daemon starts (no host: the daemon
#     starts `KorvelUtil kadcommandhost` and waits for it to register),
#   - `validate` with a host registered (one question round trip),
#   - `status` of the same asset (a plain request round trip), the peer.
# Usage: bench/host_validate.sh [installed tree]   (default: dist)
set -euo pipefail
runs="${RUNS:-21}"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "${1:-dist}" KorvelHostBench
mkdir -p "$work/asset"
# A typical scripted asset: a vehicle whose script the host compiles (once,
# into the script cache), links and checks against its category.
printf 'kuid <kuid:424242:7001>\nkind "traincar"\nusername "Bench asset"\nkorvel-build 3.3\nscript "car"\nclass "Car"\n' \
  >"$work/asset/config.txt"
printf 'include "Vehicle.gs"\nclass Car isclass Vehicle\n{\n  public int Axles(void) { return 4; }\n};\n' >"$work/asset/car.gs"
kuid="<kuid:424242:7001>"
./KorvelUtil installfrompath "$work/asset" >/dev/null

ms_of() {
  local start end
  start=$(date +%s%N)
  ./KorvelUtil "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]/1000}'; }

cold=()
for ((i = 0; i < 5; i++)); do
  ./KorvelUtil closekaddaemon >/dev/null 2>&1 || true
  ./KorvelUtil version >/dev/null          # a daemon with no host
  cold+=("$(ms_of validate "$kuid")")
done
warm=(); plain=()
for ((i = 0; i < runs; i++)); do
  warm+=("$(ms_of validate "$kuid")")
  plain+=("$(ms_of status "$kuid")")
done
cold_ms=$(printf '%s\n' "${cold[@]}" | median)
warm_ms=$(printf '%s\n' "${warm[@]}" | median)
plain_ms=$(printf '%s\n' "${plain[@]}" | median)
echo "validate, no host running (start + register + answer): median $cold_ms ms over 5 runs"
echo "validate, host registered:                             median $warm_ms ms over $runs runs"
echo "status, plain request (peer):                          median $plain_ms ms over $runs runs"
awk -v c="$cold_ms" -v w="$warm_ms" -v p="$plain_ms" 'BEGIN {
  printf "host start cost: %.3f ms; per-question overhead over a plain request: %.3f ms (ratio %.2f)\n", c - w, w - p, w / p }'
