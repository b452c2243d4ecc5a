#!/usr/bin/env bash
# Runs every benchmark (each folder's run.sh, given the build directory), passing their
# output through, then prints one table of every RATIO line they printed:
#   RATIO<TAB>name<TAB>ours<TAB>anchor-name<TAB>anchor<TAB>unit
# The table's "x anchor" column is the cost against the anchor: ours / anchor, or, for a unit
# marked "(higher is better)", anchor / ours; below 1 beats the anchor, above 1 trails it.
#   bench/run.sh [BUILD_DIR] [FOLDER ...]    (only the named folders when given)
set -uo pipefail
build=$(realpath "${1:-build}")
shift || true
here=$(dirname "$(realpath "$0")")
ratios=$(mktemp)
trap 'rm -f "$ratios"' EXIT
failed=()
for script in "$here"/*/run.sh; do
  [ -x "$script" ] || continue
  folder=$(basename "$(dirname "$script")")
  if [ $# -gt 0 ] && [[ " $* " != *" $folder "* ]]; then continue; fi
  echo "== $folder"
  "$script" "$build" 2>&1 | tee "$ratios.$folder"
  [ "${PIPESTATUS[0]}" -eq 0 ] || failed+=("$folder")
  grep -P '^RATIO\t' "$ratios.$folder" | sed "s/^/$folder\t/" >> "$ratios"
  rm -f "$ratios.$folder"
done

echo
echo "== benchmark table ($(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg))"
awk -F'\t' '
  BEGIN {
    printf "%-10s %-38s %12s  %-26s %12s  %-24s %9s\n", "folder", "benchmark", "ours", "anchor", "anchor", "unit", "x anchor"
  }
  {
    folder = $1; name = $3; ours = $4; aname = $5; anchor = $6; unit = $7
    higher = index(unit, "higher is better") > 0
    if (ours + 0 > 0 && anchor + 0 > 0) x = higher ? anchor / ours : ours / anchor
    else x = -1
    printf "%-10s %-38s %12s  %-26s %12s  %-24s %9s\n", folder, name, ours, aname, anchor, unit,
           x < 0 ? "n/a" : sprintf("%.2f", x)
  }' "$ratios"
if [ ${#failed[@]} -gt 0 ]; then
  echo "benchmarks that failed: ${failed[*]}"
  exit 1
fi
