#!/usr/bin/env bash
# A short real session against the installed tree.
set -u
root="${1:-dist}"
util="$root/bin/KorvelUtil"
echo "\$ KorvelUtil help"
"$util" help; echo "(exit $?)"
echo "\$ KorvelUtil version"
"$util" version; echo "(exit $?)"
exit 0
