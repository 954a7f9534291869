#!/usr/bin/env bash
# Several MRT RIB files in one routesift run against the same files read one
# after another (one run each), both as wall and CPU time, and the peak memory
# of one run without --group.
#
#   bench/routesift_files.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR holds routesift (default build); WORK_DIR receives the generated
# RIB (default a temporary folder, removed afterwards); COPIES files (8),
# RUNS runs of each (3), the best kept: the machine may be shared.
set -euo pipefail

source "$(cd "$(dirname "$0")" && pwd)/routesift_common.sh"
copies=${COPIES:-8}

rib="$work/rib.mrt"
[[ -s $rib ]] || python3 "$here/gen_mrt.py" --peers 30 --ipv4 100000 --ipv6 20000 --seed 4 rib -o "$rib"
files=()
for i in $(seq "$copies"); do
    [[ -s $work/rib-$i.mrt.gz ]] || gzip -1 -c "$rib" > "$work/rib-$i.mrt.gz"
    files+=("$work/rib-$i.mrt.gz")
done

cores=$(nproc)
echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg), $cores cores; best of $runs runs each"
read -r all_e all_c < <(best_time "$routesift" "${files[@]}")
read -r seq_e seq_c < <(best_time sh -c 'r=$1; shift; for f; do "$r" "$f"; done' sh "$routesift" "${files[@]}")
# The anchor: a job that splits perfectly over the cores (zcat of the files,
# as many at a time as there are cores). On a shared machine its ratio shows
# how much of the cores the run could get at all.
read -r anc_e anc_c < <(best_time sh -c 'printf "%s\n" "$@" | xargs -P "$0" -n 1 zcat' "$cores" "${files[@]}")
awk -v ae="$all_e" -v ac="$all_c" -v se="$seq_e" -v sc="$seq_c" -v xe="$anc_e" -v xc="$anc_c" -v n="$copies" -v cores="$cores" 'BEGIN {
    printf "%d gzip RIB files          elapsed      cpu\n", n
    printf "  one run                %6.2f s  %6.2f s\n", ae, ac
    printf "  one file after another %6.2f s  %6.2f s\n", se, sc
    printf "  one run: elapsed / (cpu / cores) = %.2f (goal <= 1.15); elapsed vs one after another = %.2f (goal <= 1)\n",
        ae / (ac / cores), ae / se
    printf "  anchor, zcat %d at a time: elapsed / (cpu / cores) = %.2f; one run against it: %.2f\n",
        cores, xe / (xc / cores), (ae / (ac / cores)) / (xe / (xc / cores))
}'
echo "peak memory, one RIB ($(stat -c %s "$rib") bytes), no --group: $(peak_kb "$routesift" "$rib") kB"
echo "peak memory, $copies files in one run, no --group: $(peak_kb "$routesift" "${files[@]}") kB"
echo "load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
