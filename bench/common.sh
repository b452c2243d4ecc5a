# Helpers shared by the benchmarks' run.sh scripts (sourced, not run).

# best_ms RUNS CMD...: the best wall time of RUNS runs of CMD (output discarded), in ms.
best_ms() {
  local runs=$1 best="" t0 t1 t
  shift
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$@" > /dev/null
    t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

# ratio_line NAME OURS ANCHOR-NAME ANCHOR UNIT: one line of the benchmark table.
ratio_line() {
  printf 'RATIO\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5"
}

