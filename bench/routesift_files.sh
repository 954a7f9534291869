#!/usr/bin/env bash
# Several MRT RIB files in one routesift run against the same files read one
# after another (one run each), both as wall and CPU time, and the peak memory
# of one run without --group.
#
#   bench/routesift_files.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR holds routesift (default build); WORK_DIR receives the generated
# RIB (default a temporary folder, removed afterwards); COPIES files (8).
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

# Prints "elapsed cpu" of the command, output to /dev/null.
timed() {
    /usr/bin/time -o "$work/time" -f "%e %U %S" "$@" > /dev/null 2>&1
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}
cores=$(nproc)
echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg), $cores cores"
read -r all_e all_c < <(timed "$routesift" "${files[@]}")
read -r seq_e seq_c < <(timed sh -c 'r=$1; shift; for f; do "$r" "$f"; done' sh "$routesift" "${files[@]}")
awk -v ae="$all_e" -v ac="$all_c" -v se="$seq_e" -v sc="$seq_c" -v n="$copies" -v cores="$cores" 'BEGIN {
    printf "%d gzip RIB files          elapsed      cpu\n", n
    printf "  one run                %6.2f s  %6.2f s\n", ae, ac
    printf "  one file after another %6.2f s  %6.2f s\n", se, sc
    printf "  one run: elapsed / (cpu / cores) = %.2f (goal <= 1.15); elapsed vs one after another = %.2f (goal <= 1)\n",
        ae / (ac / cores), ae / se
}'
/usr/bin/time -o "$work/mem" -f "%M" "$routesift" "$rib" > /dev/null 2>&1
echo "peak memory, one RIB ($(stat -c %s "$rib") bytes), no --group: $(cat "$work/mem") kB"
/usr/bin/time -o "$work/mem" -f "%M" "$routesift" "${files[@]}" > /dev/null 2>&1
echo "peak memory, $copies files in one run, no --group: $(cat "$work/mem") kB"
