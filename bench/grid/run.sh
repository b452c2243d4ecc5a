#!/usr/bin/env bash
# The result grid: fill + first paint of 100,000 x 10, and the heap it holds, against a
# plain QTableView over a vector model (each side in its own process).
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
. "$here/../common.sh"
bin="$build/bin/bench_grid"
[ -x "$bin" ] || { echo "bench_grid not built in $build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
read -r f_ms f_bytes < <("$bin" floor | tee /dev/stderr | tail -1)
read -r g_ms g_bytes < <("$bin" grid | tee /dev/stderr | tail -1)
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
ratio_line "grid fill+paint 100k x 10" "$g_ms" "QTableView floor" "$f_ms" ms
ratio_line "grid memory 100k x 10" "$(mb "$g_bytes")" "QTableView floor" "$(mb "$f_bytes")" MB
