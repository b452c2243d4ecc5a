#!/usr/bin/env bash
# The SQL editor's streamed results on 1,000,000 rows: time to the first rows shown and the
# memory once scrolled to the end, against materialising the same result (the dynaset).
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
. "$here/../common.sh"
bin="$build/bin/bench_editor_stream"
[ -x "$bin" ] || { echo "bench_editor_stream not built in $build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
streamed=$("$bin" | tee /dev/stderr | grep '^RESULT')
whole=$("$bin" --materialised | tee /dev/stderr | grep '^RESULT')
IFS=$'\t' read -r _ first scrolled mem_streamed <<< "$streamed"
IFS=$'\t' read -r _ materialise mem_whole <<< "$whole"
ratio_line "editor first rows of 1M" "$first" "materialised 1M" "$materialise" ms
ratio_line "editor memory scrolled to 1M" "$mem_streamed" "materialised 1M" "$mem_whole" MB
