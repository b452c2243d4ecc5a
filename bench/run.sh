#!/usr/bin/env bash
# Runs every benchmark: each folder's run.sh, given the build directory.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
for script in "$here"/*/run.sh; do
  [ -x "$script" ] || continue
  echo "== $(basename "$(dirname "$script")")"
  "$script" "$build"
done
