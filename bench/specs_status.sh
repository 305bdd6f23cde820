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
work="$(mktemp -d /tmp/KorvelSpecsBench.XXXXXX)"
trap 'cd /; "$work/root/bin/KorvelUtil" closekaddaemon >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp -r "$tree" "$work/root"
cd "$work/root/bin"
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

version_ms=$(median_ms version)
status_ms=$(median_ms status "<kuid:424242:77>")
ratio=$(awk -v s="$status_ms" -v v="$version_ms" 'BEGIN {printf "%.2f", s/v}')
echo "KorvelUtil version (peer): median ${version_ms} ms over ${runs} runs"
echo "KorvelUtil status  (ours): median ${status_ms} ms over ${runs} runs, ${what}"
echo "ratio status/version: ${ratio}"
