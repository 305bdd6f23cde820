#!/usr/bin/env bash
# Runs every benchmark of a build folder; each prints ours against its peer.
# Scripts that run whole processes get an installed tree staged from the
# same build, so `make bench` needs nothing installed beforehand.
set -u
build="${1:-build}"
stage="$build/bench-stage"
cmake --install "$build" --prefix "$stage" >/dev/null || { echo "cannot stage an installed tree in $stage"; exit 1; }
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
for s in "$(dirname "$0")"/*.sh; do
  name=$(basename "$s")
  [ "$name" = run.sh ] && continue
  echo "== $name"
  case "$name" in
    store_install.sh) bash "$s" "$stage" "$build" ;;
    install_from_chb.sh) bash "$s" "$build" "$stage" ;;
    client_version.sh | createcdp.sh | install_from_path.sh | host_validate.sh | repair.sh | specs_status.sh) bash "$s" "$stage" ;;
    *) bash "$s" "$build" ;;
  esac
done
