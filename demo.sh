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

run closekaddaemon
exit 0
