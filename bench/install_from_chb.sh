#!/bin/bash
# installfromchb of a ~100 MB archive (200 MB of files) through the
# content-service stand-in, against its peer in the same run: curl of the
# same file from the same stand-in plus installcdp of it.
# Usage: bench/install_from_chb.sh [build folder] [installed tree]
# (the tree defaults to an install of the build folder).
set -euo pipefail
build="${1:-build}"; tree="${2:-}"
server="$build/bench/content_service_stand_in"
[ -x "$server" ] || { echo "no $server (build with benchmarks on)"; exit 1; }
command -v curl >/dev/null || { echo "no curl"; exit 1; }
server="$(cd "$(dirname "$server")" && pwd)/$(basename "$server")"
source "$(dirname "$0")/script_bench_helpers.bash"
enter_installed_copy "${tree:-$build}" KorvelCHBBench
# The stand-in ends when its input (descriptor 3) closes.
trap 'exec 3>&- 2>/dev/null || true; leave_installed_copy' EXIT
kuid="<kuid:424242:9002>"
make_archive "$kuid" "CHB bench"
./KorvelUtil closekaddaemon >/dev/null
echo "archive: $(stat -c %s "$work/bench.cdp") bytes for 200 MB of files"

mkfifo "$work/server.in"
"$server" "$work/bench.cdp" "424242:9002" "$kuid" <"$work/server.in" >"$work/server.out" &
server_pid=$!
exec 3>"$work/server.in"
# It prints its address once it has read the archive, which takes long on a
# loaded machine: wait for the address or for its end, not for a set time.
while [ ! -s "$work/server.out" ] && kill -0 "$server_pid" 2>/dev/null; do sleep 0.1; done
base="$(head -1 "$work/server.out")"
[ -n "$base" ] || { echo "the stand-in did not start"; exit 1; }
printf 'web-rewrite\n{\n  0\n  {\n    from "https://cargohub.korvel.invalid"\n    to "%s"\n  }\n}\n' "$base" \
  >"$work/root/UserData/assets.tdx/kaddaemon.cfg"

ours=(); theirs=()
for i in 1 2 3; do
  ./KorvelUtil delete "$kuid" >/dev/null
  start=$(date +%s%N)
  ./KorvelUtil installfromchb "$kuid" >"$work/ours.out"
  end=$(date +%s%N)
  grep -q "OK (0 Errors" "$work/ours.out" || { cat "$work/ours.out"; exit 1; }
  ours+=($(( (end - start) / 1000000 )))
  ./KorvelUtil delete "$kuid" >/dev/null
  rm -f "$work/fetched.cdp"
  start=$(date +%s%N)
  curl -sf -o "$work/fetched.cdp" "$base/dl/bench.cdp"
  ./KorvelUtil installcdp "$work/fetched.cdp" >/dev/null
  end=$(date +%s%N)
  theirs+=($(( (end - start) / 1000000 )))
done
o=$(printf '%s\n' "${ours[@]}" | sort -n | sed -n 2p)
t=$(printf '%s\n' "${theirs[@]}" | sort -n | sed -n 2p)
echo "installfromchb (ours, whole process):  median $o ms"
echo "curl + installcdp (peer):              median $t ms"
awk -v o="$o" -v t="$t" 'BEGIN { printf "ratio ours/peer: %.2f (target within 1.3)\n", o / t }'
