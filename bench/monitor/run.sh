#!/usr/bin/env bash
# "&Get Sessions" on an instance of 5,000 sessions: time to a filled grid, against the
# same listing read through the access layer alone.
set -euo pipefail
build=$(realpath "${1:-build}")
bin="$build/bin/bench_sesiones"
[ -x "$bin" ] || { echo "bench_sesiones not built in $build" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$bin" 5000 5
