#!/usr/bin/env bash
# A short real session against the installed tree: the utility starts the
# daemon on its first command and closes it at the end.
set -u
root="${1:-dist}"
util="$root/bin/KorvelUtil"

run() {
  echo "\$ KorvelUtil $*"
  "$util" "$@"
  echo "(exit $?)"
}

echo "\$ KorvelUtil help | head -4"
"$util" help | head -4
run version
run echo "Hello from the Korvel Util Tool"
run installedversion

batch="$root/bin/demo-batch.txt"
printf 'echo first line\necho "quoted words" stay together\nnosuchcommand\n' >"$batch"
echo "\$ cat demo-batch.txt"; cat "$batch"
run "@demo-batch.txt"
rm -f "$batch"

# A sample asset the demo writes itself: installed from its folder, printed,
# exported to a .cdp, deleted, and installed again from the export.
work="$(mktemp -d /tmp/korvel-demo.XXXXXX)"
mkdir -p "$work/signalbox"
cat >"$work/signalbox/config.txt" <<'CONFIG'
kuid <kuid:123456:1001>
kind "scenery"
username "Demo signal box"
category-class "BS"
category-region "AU"
category-era "1990s"
korvel-build 4.6
description "A small sample asset written by the demo."
CONFIG
echo "A note that travels with the asset." >"$work/signalbox/readme.txt"
run installfrompath "$work/signalbox"
run printconfig "<kuid:123456:1001>"
run status "<kuid:123456:1001>"
run createcdp "$work/signalbox.cdp" "<kuid:123456:1001>"
run delete "<kuid:123456:1001>"
run installcdp "$work/signalbox.cdp"
run delete "<kuid:123456:1001>"
rm -rf "$work"

run closekaddaemon
exit 0
