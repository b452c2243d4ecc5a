#!/usr/bin/env bash
# Scanix benchmark: the same job with Scanix (a Scan handler reading F(2) through the C
# interface), mawk and gawk (awk -F, '{n+=length($2)}'), side by side, on a generated CSV file of
# at least 200 MB; then Eval evaluations per second on a short and a long expression.
#   bench/scanix/run.sh BUILD_DIR      (SCANIX_BENCH_FILE, SCANIX_BENCH_RUNS override the defaults)
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
. "$here/../common.sh"
export LC_ALL=C   # every tool reads bytes the same way
bin="$build/bin/scanix_bench"
[ -x "$bin" ] || { echo "scanix_bench not built in $build (cmake --build $build --target scanix_bench)" >&2; exit 1; }
data=${SCANIX_BENCH_FILE:-/tmp/scanix_bench_220MB.csv}
runs=${SCANIX_BENCH_RUNS:-3}
if [ ! -f "$data" ]; then
  echo "generating $data ..."
  "$bin" generate "$data" 220
fi
bytes=$(stat -c %s "$data")
cat "$data" > /dev/null  # into the page cache, so that every tool reads from memory

best() {  # best wall time of $runs runs of a command that prints its result on stdout
  local best="" out t0 t1 t
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    out=$("$@")
    t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best $out"
}

mbps() { awk -v b="$bytes" -v us="$1" 'BEGIN { printf "%.1f", b / 1e6 / (us / 1e6) }'; }

printf 'file %s: %.1f MB (%d bytes)\n' "$data" "$(awk -v b="$bytes" 'BEGIN{print b/1e6}')" "$bytes"
printf 'job: n += length($2) over every line, FS ","; best of %d runs, wall time\n\n' "$runs"
printf '%-8s %9s %9s %14s\n' tool seconds MB/s 'sum length($2)'

read -r us_scanix _ _ lines sum_scanix < <(best "$bin" scan "$data")
printf '%-8s %9.3f %9s %14s\n' scanix "$(awk -v u="$us_scanix" 'BEGIN{print u/1e6}')" "$(mbps "$us_scanix")" "$sum_scanix"
read -r us_floor _ _ _ sum_floor < <(best "$bin" floor "$data")
printf '%-8s %9.3f %9s %14s\n' 'C loop' "$(awk -v u="$us_floor" 'BEGIN{print u/1e6}')" "$(mbps "$us_floor")" "$sum_floor"
[ "$sum_floor" = "$sum_scanix" ] || echo "  warning: the C loop's sum differs from Scanix's"

declare -A us sum
for tool in mawk gawk; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool: not installed"
    continue
  fi
  read -r t s < <(best "$tool" -F, '{n+=length($2)} END{print n}' "$data")
  us[$tool]=$t
  sum[$tool]=$s
  printf '%-8s %9.3f %9s %14s\n' "$tool" "$(awk -v u="$t" 'BEGIN{print u/1e6}')" "$(mbps "$t")" "$s"
  [ "$s" = "$sum_scanix" ] || echo "  warning: $tool's sum differs from Scanix's"
done

echo
fastest=""
for tool in "${!us[@]}"; do
  printf 'ratio scanix/%s: %.2fx\n' "$tool" "$(awk -v a="${us[$tool]}" -v b="$us_scanix" 'BEGIN{print a/b}')"
  if [ -z "$fastest" ] || [ "${us[$tool]}" -lt "${us[$fastest]}" ]; then fastest=$tool; fi
done
if [ -n "$fastest" ]; then
  if [ "$us_scanix" -le "${us[$fastest]}" ]; then verdict="met"; else verdict="NOT met"; fi
  echo "goal (at least the fastest awk, $fastest): $verdict"
fi
echo "lines: $lines"

echo
echo "Eval (through scanix_invoke, 1 s each):"
declare -A eval_rate mu_rate
while read -r kind len rate result; do
  printf '  %-5s expression (%3d chars): %12.0f evaluations/s  (= %s)\n' "$kind" "$len" "$rate" "$result"
  eval_rate[$kind]=$rate
done < <("$bin" eval 1)
if [ -x "$build/bin/muparser_bench" ]; then
  echo "muparser (compiled once, evaluated again and again, 1 s each):"
  while read -r kind len rate result; do
    printf '  %-5s expression (%3d chars): %12.0f evaluations/s  (= %s)\n' "$kind" "$len" "$rate" "$result"
    mu_rate[$kind]=$rate
  done < <("$build/bin/muparser_bench" 1)
else
  echo "muparser_bench not built (libmuparser-dev missing)"
fi

ms() { awk -v u="$1" 'BEGIN { printf "%.1f", u / 1000 }'; }
msps() { awk -v r="$1" 'BEGIN { printf "%.2f", r / 1e6 }'; }
ratio_line "scanix scan F(2)" "$(ms "$us_scanix")" "C getline+memchr" "$(ms "$us_floor")" ms
for tool in mawk gawk; do
  [ -n "${us[$tool]:-}" ] && ratio_line "scanix scan F(2)" "$(ms "$us_scanix")" "$tool -F, (LC_ALL=C)" "$(ms "${us[$tool]}")" ms
done
for kind in short long; do
  [ -n "${eval_rate[$kind]:-}" ] && [ -n "${mu_rate[$kind]:-}" ] &&
    ratio_line "Eval repeated, $kind text" "$(msps "${eval_rate[$kind]}")" "muparser" "$(msps "${mu_rate[$kind]}")" \
      "M/s (higher is better)"
done
true
