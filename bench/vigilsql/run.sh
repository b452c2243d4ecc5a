#!/usr/bin/env bash
# select * of 100,000 rows x 5 columns through vigilsql on the bare simulated instance,
# against the sqlite3 shell on the same rows (tab-separated, headers, to /dev/null).
# Both tools build the table first; the query's cost is the run with the query (run
# `reps` times in the one process, so that a few milliseconds of noise weigh less) minus
# the run that only builds the table, divided by `reps`; each the best of several runs.
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
. "$here/../common.sh"
runs=${BENCH_RUNS:-5}
reps=${BENCH_REPS:-4}
vigilsql="$build/bin/vigilsql"
[ -x "$vigilsql" ] || { echo "vigilsql not built in $build" >&2; exit 1; }
command -v sqlite3 > /dev/null || { echo "sqlite3 shell not installed" >&2; exit 1; }

setup=(-e "create table big (id number, name varchar2(30), amount number, d date, note varchar2(40))"
       -e "insert into big select 1, 'row', 0.5, sysdate, 'first note' from dual")
lite="create table big (id integer, name text, amount real, d text, note text);
insert into big values (1, 'row', 0.5, datetime('now'), 'first note');"
for _ in $(seq 17); do   # doubling to 131,072 rows
  setup+=(-e "insert into big select id + (select count(*) from big), name || 'x', amount * 3, d + 1, note from big")
  lite+="insert into big select id + (select count(*) from big), name || 'x', amount * 3, datetime(d, '+1 day'), note from big;"
done
setup+=(-e "delete from big where id > 100000")
lite+="delete from big where id > 100000;"

rows=$("$vigilsql" -c system/manager@sim:TEST "${setup[@]}" -e "select * from big" | wc -l)
lrows=$(printf '%s\n.headers on\n.mode tabs\nselect * from big;\n' "$lite" | sqlite3 :memory: | wc -l)
echo "vigilsql printed $rows lines, sqlite3 $lrows (header included)"

v_setup=$(best_ms "$runs" "$vigilsql" -c system/manager@sim:TEST "${setup[@]}")
selects=()
lselects=""
for _ in $(seq "$reps"); do
  selects+=(-e "select * from big")
  lselects+="select * from big;"
done
v_all=$(best_ms "$runs" "$vigilsql" -c system/manager@sim:TEST "${setup[@]}" "${selects[@]}")
lite_setup() { printf '%s\n' "$lite" | sqlite3 :memory:; }
lite_all() { printf '%s\n.headers on\n.mode tabs\n%s\n' "$lite" "$lselects" | sqlite3 :memory:; }
s_setup=$(best_ms "$runs" lite_setup)
s_all=$(best_ms "$runs" lite_all)
per() { awk -v a="$1" -v b="$2" -v n="$reps" 'BEGIN { printf "%.1f", (a - b) / n }'; }
ours=$(per "$v_all" "$v_setup")
anchor=$(per "$s_all" "$s_setup")
echo "vigilsql: build $v_setup ms, build + $reps selects $v_all ms; sqlite3: build $s_setup ms, build + $reps selects $s_all ms"
ratio_line "vigilsql select * 100k x 5" "$ours" "sqlite3 shell" "$anchor" ms
