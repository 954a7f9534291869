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

source "$(cd "$(dirname "$0")" && pwd)/routesift_common.sh"

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
