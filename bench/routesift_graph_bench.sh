#!/usr/bin/env bash
# What --graph costs routesift on a generated listing of 1,000,000 routes:
# time added to a plain run (as a ratio of the plain run, measured in the same
# run), peak memory with and without it, and, when the micro-benchmark is
# built, the share of the address-set unions against IPSubSpace doing them.
#
#   bench/routesift_graph_bench.sh [BUILD_DIR] [WORK_DIR] [BENCH_BUILD_DIR]
#
# BUILD_DIR holds routesift (default build); WORK_DIR keeps the generated
# listing (default a temporary folder); BENCH_BUILD_DIR is a build with
# -DHALCYN_BENCH=ON holding bench/extractor_graph_bench (optional).
# RUNS (default 3) runs of each command; the best is kept.
set -euo pipefail

source "$(cd "$(dirname "$0")" && pwd)/routesift_common.sh"
bench_build=${3:-}

dump="$work/dump-1m.txt"
generate 1000000 "$dump"

read -r p_e p_c < <(best_time "$routesift" -f "$dump")
read -r g_e g_c < <(best_time "$routesift" -f --graph "$work/graph.hgr" "$dump")
read -r a_e a_c < <(best_time awk '{ n += NF } END { print n }' "$dump")
p_kb=$(peak_kb "$routesift" -f "$dump")
g_kb=$(peak_kb "$routesift" -f --graph "$work/graph.hgr" "$dump")
nodes=$(sed -n '5p' "$work/graph.hgr")
edges=$(sed -n '6p' "$work/graph.hgr")

echo "1,000,000 generated routes ($(stat -c %s "$dump") bytes), best of $runs:"
awk -v pe="$p_e" -v pc="$p_c" -v ge="$g_e" -v gc="$g_c" -v ae="$a_e" -v ac="$a_c" 'BEGIN {
    printf "                      elapsed      cpu\n"
    printf "  plain               %6.2f s  %6.2f s\n", pe, pc
    printf "  --graph             %6.2f s  %6.2f s\n", ge, gc
    printf "  awk (word count)    %6.2f s  %6.2f s\n", ae, ac
    printf "  added by --graph    %6.2fx   %6.2fx   of the plain run (target: at most 1x)\n", (ge - pe) / pe, (gc - pc) / pc
    printf "  plain / awk         %6.2fx   %6.2fx\n", pe / ae, pc / ac
}'
echo "  graph: $nodes nodes, $edges adjacencies"
awk -v p="$p_kb" -v g="$g_kb" 'BEGIN {
    printf "  peak memory: plain %d kB, --graph %d kB (%.2fx; target: under 1 GiB = 1048576 kB)\n", p, g, g / p
}'

if [[ -n $bench_build && -x $bench_build/bench/extractor_graph_bench ]]; then
    echo
    echo "graph construction on the same routes, in memory (union cost = build - build without unions):"
    "$bench_build/bench/extractor_graph_bench" "$dump" --benchmark_repetitions=1 2>/dev/null |
        awk '/^BM_/ { print "  " $0 }'
fi
