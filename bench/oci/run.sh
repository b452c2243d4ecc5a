#!/usr/bin/env bash
# The round-trip cost of the client-library path (sqlvigil-oci with the conformance
# client library) against the direct simulated driver.
set -euo pipefail
build=$(realpath "${1:-build}")
"$build/bin/bench_oci" "$build/lib/ocistandin"
