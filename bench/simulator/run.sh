#!/usr/bin/env bash
# The engine: a trivial statement on the loaded instance and on the bare one (with SQLite's
# own prepare and step as the floor), translation cost of the console's statements, large
# results materialised, and grouped queries.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
"$build/bin/bench_trivial"
"$build/bin/bench_translate" "$here/../../tests/simulator/data/console_statements.sql"
"$build/bin/bench_materialise"
"$build/bin/bench_grouped"
