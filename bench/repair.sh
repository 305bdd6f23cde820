#!/bin/bash
# repairdatabase reconciling N asset folders that have no index rows (the
# index was lost) against `find` listing the same tree, in one run.
# Usage: bench/repair.sh [installed tree or build folder] [N, default 100000]
set -euo pipefail
count="${2:-100000}"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "${1:-dist}" KorvelRepairBench
./KorvelUtil version >/dev/null          # lays out UserData
./KorvelUtil closekaddaemon >/dev/null
python3 - "$work/root/UserData/local" "$count" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for n in range(1, count + 1):
    # The store's committed layout: <asset key>/r<revision>/<folder name>.
    folder = os.path.join(root, "kuid_424242_%d_0" % n, "r1", "asset")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "config.txt"), "w") as f:
        f.write('kuid <kuid:424242:%d>\nkind "scenery"\nusername "Repair bench %d"\n' % (n, n))
PY
rm -f "$work/root/UserData/assets.tdx/index.sqlite"*
start=$(date +%s%N)
find "$work/root/UserData/local" >/dev/null
end=$(date +%s%N)
peer=$(( (end - start) / 1000000 ))
start=$(date +%s%N)
./KorvelUtil repairdatabase >"$work/repair.out" 2>&1 || true
end=$(date +%s%N)
ours=$(( (end - start) / 1000000 ))
echo "repairdatabase of $count folders (ours): $ours ms ($(tail -1 "$work/repair.out"))"
echo "find of the same tree (peer):           $peer ms"
awk -v o="$ours" -v p="$peer" 'BEGIN { printf "ratio ours/peer: %.2f (target within 3)\n", o / (p > 0 ? p : 1) }'
