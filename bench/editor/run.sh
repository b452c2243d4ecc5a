#!/usr/bin/env bash
# The SQL editor's streamed results: first rows and memory on 1,000,000 rows.
set -euo pipefail
build=$(realpath "${1:-build}")
"$build/bin/bench_editor_stream"
"$build/bin/bench_editor_stream" --materialised
