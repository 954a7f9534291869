#!/usr/bin/env bash
# Times routesift over generated BGP table listings and reports throughput,
# the ratio to a bare awk pass over the same file, peak memory with and
# without --group, and the number of progress bar redraws.
#
#   bench/routesift_bench.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR holds the routesift binary (default build); WORK_DIR receives the
# generated listings (default a temporary folder, removed afterwards).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
routesift="$build/routesift"
[[ -x $routesift ]] || { echo "no routesift in $build" >&2; exit 1; }
if [[ -n ${2:-} ]]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
runs=${RUNS:-3}

generate() { # routes file
    [[ -s $2 ]] || python3 "$here/gen_bgpdump.py" --routes "$1" --seed 7 -o "$2"
}

# "elapsed cpu": the shortest elapsed time and the shortest CPU time (user +
# system) of $runs runs, output to /dev/null. On a busy machine the CPU time
# is the fairer measure of what one core does.
best_time() {
    local best_e="" best_c="" e c
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" > /dev/null 2> /dev/null
        read -r e u s < <(tail -n 1 "$work/time.txt")
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        if [[ -z $best_e ]] || awk -v a="$e" -v b="$best_e" 'BEGIN { exit !(a < b) }'; then best_e=$e; fi
        if [[ -z $best_c ]] || awk -v a="$c" -v b="$best_c" 'BEGIN { exit !(a < b) }'; then best_c=$c; fi
    done
    echo "$best_e $best_c"
}

# Peak resident memory in kB of one run.
peak_kb() {
    /usr/bin/time -v "$@" 2>&1 > /dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

m1="$work/dump-1m.txt"
m4="$work/dump-4m.txt"
echo "generating listings in $work ..."
generate 1000000 "$m1"

# The Path column of the listing, for awk's share of the same work.
col=$(awk '/Network/ && /Path/ { print index($0, "Path"); exit }' "$m1")
bytes=$(stat -c %s "$m1")

read -r rs_e rs_c < <(best_time "$routesift" "$m1")
read -r aw_e aw_c < <(best_time awk "{print substr(\$0, $col)}" "$m1")
echo
echo "1,000,000 routes ($bytes bytes), default settings, output to /dev/null, best of $runs:"
awk -v re="$rs_e" -v rc="$rs_c" -v ae="$aw_e" -v ac="$aw_c" -v bytes="$bytes" 'BEGIN {
    printf "             elapsed      cpu   routes/s (elapsed)  routes/s (cpu)\n"
    printf "  routesift  %6.2f s  %6.2f s  %18.0f  %14.0f\n", re, rc, 1e6 / re, 1e6 / rc
    printf "  awk        %6.2f s  %6.2f s\n", ae, ac
    printf "  ratio      %6.2f    %6.2f    (routesift / awk)\n", re / ae, rc / ac
}'

read -r gr_e gr_c < <(best_time "$routesift" --group --prefixes=show "$m1")
echo "  --group --prefixes=show: $gr_e s elapsed, $gr_c s cpu"
read -r v_e v_c < <(best_time "$routesift" -v "$m1")
echo "  -v (every parse error reported): $v_e s elapsed, $v_c s cpu"

echo
echo "peak memory (maximum resident set size):"
echo "  1,000,000 routes, default:                $(peak_kb "$routesift" "$m1") kB"
generate 4000000 "$m4"
echo "  4,000,000 routes, default:                $(peak_kb "$routesift" "$m4") kB"
echo "  1,000,000 routes, --group --prefixes=show: $(peak_kb "$routesift" --group --prefixes=show "$m1") kB"
echo "  1,000,000 routes, -v (parse error reports): $(peak_kb "$routesift" -v "$m1") kB"

# The progress bar runs when standard input and output are terminals and an
# output file is named: count its redraws through a pseudo-terminal.
if command -v script > /dev/null; then
    redraws=$(script -qec "'$routesift' -f -o '$work/out.txt' '$m1'" /dev/null < /dev/null | grep -o $'\e\\[1G' | wc -l)
    echo
    echo "progress bar redraws over 1,000,000 routes: $redraws"
fi
