#!/usr/bin/env bash
# One Servers Status tick: every connected server polled one after another (as the
# window did when everything ran on the interface thread) against the parallel poll.
set -euo pipefail
build=$(realpath "${1:-build}")
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bin/bench_status_poll"
