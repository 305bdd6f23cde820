#!/bin/bash
# installcdp of a 200 MB archive as a whole process (daemon running) against
# the in-process peer that LZSS-decodes and writes the same files
# (store_install_bench). Usage: bench/store_install.sh <installed tree> <build dir>
set -euo pipefail
tree="${1:-dist}"; build="${2:-build}"
peer="$build/bench/store_install_bench"
[ -x "$peer" ] || { echo "no $peer (build with benchmarks on)"; exit 1; }
peer="$(cd "$(dirname "$peer")" && pwd)/$(basename "$peer")"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "$tree" KorvelInstallBench
kuid="<kuid:424242:9001>"
make_archive "$kuid" "Install bench"
echo "archive: $(stat -c %s "$work/bench.cdp") bytes for 200 MB of files"
ours=(); theirs=()
for i in 1 2 3; do
  ./KorvelUtil delete "$kuid" >/dev/null
  start=$(date +%s%N)
  ./KorvelUtil installcdp "$work/bench.cdp" >/dev/null
  end=$(date +%s%N)
  ours+=($(( (end - start) / 1000000 )))
  rm -rf "$work/peer"; mkdir -p "$work/peer"
  theirs+=("$("$peer" "$work/bench.cdp" "$work/peer")")
done
o=$(printf '%s\n' "${ours[@]}" | sort -n | sed -n 2p)
t=$(printf '%s\n' "${theirs[@]}" | sort -n | sed -n 2p)
echo "installcdp (ours, whole process): median $o ms"
echo "decode + copy (peer, in process):   median $t ms"
awk -v o="$o" -v t="$t" 'BEGIN { printf "ratio ours/peer: %.2f (target within 1.5)\n", o / t }'
