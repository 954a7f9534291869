#!/usr/bin/env bash
# Times reading MRT archives against their anchors, each measured in the same
# run, on a generated TABLE_DUMP_V2 RIB (60 peers, 500,000 IPv4 and 100,000
# IPv6 prefixes; bench/gen_mrt.py):
#   - routesift at default settings, and the MRT reader alone (the test tool
#     mrt_routes --counts: decoding without cleaning or output), against
#     `bgpdump -m FILE > /dev/null`;
#   - routesift on gzip and bzip2 copies against `zcat` / `bzcat` of them.
# The RIB takes several minutes to generate; give a WORK_DIR to keep it.
#
#   bench/mrt_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail

source "$(cd "$(dirname "$0")" && pwd)/routesift_common.sh"
reader="$build/mrt_routes"
[[ -x $reader ]] || { echo "no mrt_routes in $build" >&2; exit 1; }
command -v bgpdump > /dev/null || { echo "bgpdump is not installed" >&2; exit 1; }

rib="$work/rib-60x600k.mrt"
echo "generating inputs in $work ..."
[[ -s $rib ]] || python3 "$here/gen_mrt.py" rib --seed 7 -o "$rib"
[[ -s $rib.gz ]] || gzip -6 -c "$rib" > "$rib.gz"
[[ -s $rib.bz2 ]] || bzip2 -9 -c "$rib" > "$rib.bz2"
entries=$("$reader" --counts "$rib" | awk -F': ' '/^C RIB entries/ { print $2 }')

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); best of $runs runs each"
echo "RIB: $(du -m "$rib" | cut -f1) MB, $entries entries"
echo
printf '%-44s %9s %9s\n' "" "elapsed" "cpu"

read -r bd_e bd_c < <(best_time bgpdump -m "$rib")
read -r rd_e rd_c < <(best_time "$reader" --counts "$rib")
read -r rs_e rs_c < <(best_time "$routesift" "$rib")
row "bgpdump -m" "$bd_e" "$bd_c"
row "MRT reader alone" "$rd_e" "$rd_c"
ratio "  ratio reader / bgpdump" "$rd_e" "$rd_c" "$bd_e" "$bd_c"
awk -v n="$entries" -v c="$rd_c" 'BEGIN { printf "%-44s %9.2fM\n", "  entries/s (cpu)", n / c / 1e6 }'
row "routesift, default settings" "$rs_e" "$rs_c"
ratio "  ratio routesift / bgpdump" "$rs_e" "$rs_c" "$bd_e" "$bd_c"

for kind in gz:zcat bz2:bzcat; do
    ext=${kind%%:*}
    tool=${kind##*:}
    read -r r_e r_c < <(best_time "$routesift" "$rib.$ext")
    read -r t_e t_c < <(best_time "$tool" "$rib.$ext")
    read -r m_e m_c < <(best_time "$reader" --counts "$rib.$ext")
    row "routesift, $ext RIB" "$r_e" "$r_c"
    row "MRT reader alone, $ext RIB" "$m_e" "$m_c"
    row "$tool alone" "$t_e" "$t_c"
    ratio "  ratio routesift / $tool" "$r_e" "$r_c" "$t_e" "$t_c"
    ratio "  ratio reader / $tool" "$m_e" "$m_c" "$t_e" "$t_c"
done
echo "peak memory, routesift: $(peak_kb "$routesift" "$rib") kB; reader: $(peak_kb "$reader" --counts "$rib") kB"
