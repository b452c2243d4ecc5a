#!/usr/bin/env bash
# The SQL editor's streamed results: time to the first rows shown and the memory once
# scrolled to the end, against materialising the same result (the dynaset). 200,000 rows by
# default, so that the run stays short (BENCH_EDITOR_ROWS=1000000 for the full million).
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
. "$here/../common.sh"
bin="$build/bin/bench_editor_stream"
[ -x "$bin" ] || { echo "bench_editor_stream not built in $build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
rows=${BENCH_EDITOR_ROWS:-200000}
label=$(( rows / 1000 ))k
streamed=$("$bin" "$rows" | tee /dev/stderr | grep '^RESULT')
whole=$("$bin" --materialised "$rows" | tee /dev/stderr | grep '^RESULT')
IFS=$'\t' read -r _ first scrolled mem_streamed <<< "$streamed"
IFS=$'\t' read -r _ materialise mem_whole <<< "$whole"
ratio_line "editor first rows of $label" "$first" "materialised $label" "$materialise" ms
ratio_line "editor memory scrolled to $label" "$mem_streamed" "materialised $label" "$mem_whole" MB
