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

# A small script library: compiled, its source protected (.gse), and the
# protected source compiled on its own. The commands work in the caller's
# folder, so the demo runs them from the scripts' folder.
scripts="$(mktemp -d /tmp/korvel-demo-scripts.XXXXXX)"
cat >"$scripts/signal.gs" <<'SCRIPT'
class Signal
{
  public int aspect;

  public void Clear(void)
  {
    aspect = 2;
  }

  public string Describe(void)
  {
    if (aspect == 2)
      return "clear";
    return "danger";
  }
};
SCRIPT
util_path="$(cd "$(dirname "$util")" && pwd)/$(basename "$util")"
(
  cd "$scripts" || exit 1
  util="$util_path"
  run compile signal.gs
  run encrypt signal.gs
  rm signal.gs signal.gsl
  run compile signal.gse
  echo "\$ ls"; ls
)
rm -rf "$scripts"

run closekaddaemon
exit 0
