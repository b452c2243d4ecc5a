#!/usr/bin/env bash
# Translation cost of the console's statements: parse + rewrite passes + SQLite text.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
"$build/bin/bench_translate" "$here/../../tests/simulator/data/console_statements.sql"
"$build/bin/bench_materialise"
"$build/bin/bench_grouped"
