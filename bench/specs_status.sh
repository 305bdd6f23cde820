#!/bin/bash
# Whole-process time of `KorvelUtil status <kuid>` of one installed asset
# against `KorvelUtil version`, both with the daemon already running, in the
# same run. Usage: bench/specs_status.sh [build folder or installed tree]
set -euo pipefail
arg="${1:-}"
tree=""
for candidate in "$arg" "$arg/stage" dist build/stage; do
  if [ -n "$candidate" ] && [ -x "$candidate/bin/KorvelUtil" ]; then tree="$candidate"; break; fi
done
[ -n "$tree" ] || { echo "specs_status: no installed tree (run make install or the e2e staging)"; exit 1; }
runs="${RUNS:-31}"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "$tree" KorvelSpecsBench
./KorvelUtil version >/dev/null   # starts the daemon once

mkdir -p "$work/asset"
printf 'kuid <kuid:424242:77>\nkind "scenery"\nusername "Bench Asset"\n' > "$work/asset/config.txt"
if ./KorvelUtil installfrompath "$work/asset" >/dev/null 2>&1; then
  what="installed asset"
else
  # Without the daemon's store the status of an unknown asset is measured:
  # one request instead of three.
  what="unknown asset (store not answering)"
fi

version_ms=$(median_ms "$runs" ./KorvelUtil version)
status_ms=$(median_ms "$runs" ./KorvelUtil status "<kuid:424242:77>")
ratio=$(awk -v s="$status_ms" -v v="$version_ms" 'BEGIN {printf "%.2f", s/v}')
echo "KorvelUtil version (peer): median ${version_ms} ms over ${runs} runs"
echo "KorvelUtil status  (ours): median ${status_ms} ms over ${runs} runs, ${what}"
echo "ratio status/version: ${ratio}"
