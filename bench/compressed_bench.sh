#!/usr/bin/env bash
# Times reading through the input layer against its anchors, each measured in
# the same run:
#   - routesift on the 1,000,000-route listing, default settings, against
#     mawk printing the Path column of the same file;
#   - routesift on a gzip and a bzip2 copy against `zcat` / `bzcat` of that
#     copy to /dev/null (decompression alone);
#   - meshprobe loading a gzip'd 65,535-node, 1,000,000-adjacency graph
#     against `zcat` of it plus meshprobe loading the plain file.
# Ratios are elapsed and CPU time; on a shared machine the elapsed figures of
# a threaded program are the noisy ones.
#
#   bench/compressed_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail

source "$(cd "$(dirname "$0")" && pwd)/routesift_common.sh"
meshprobe="$build/meshprobe"
awk=$(command -v mawk || command -v awk)

dump="$work/dump-1m.txt"
graph="$work/as-65535-1000000.hgr"
echo "generating inputs in $work ..."
generate 1000000 "$dump"
[[ -s $dump.gz ]] || gzip -6 -c "$dump" > "$dump.gz"
[[ -s $dump.bz2 ]] || bzip2 -9 -c "$dump" > "$dump.bz2"
[[ -s $graph ]] || python3 "$here/gen_asgraph.py" --nodes 65535 --edges 1000000 -o "$graph"
[[ -s $graph.gz ]] || gzip -6 -c "$graph" > "$graph.gz"
echo "load $graph" > "$work/plain.msp"
echo "load $graph.gz" > "$work/gz.msp"

col=$($awk '/Network/ && /Path/ { print index($0, "Path"); exit }' "$dump")
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); best of $runs runs each"
echo
printf '%-44s %9s %9s\n' "" "elapsed" "cpu"

read -r rs_e rs_c < <(best_time "$routesift" "$dump")
read -r aw_e aw_c < <(best_time "$awk" "{print substr(\$0, $col)}" "$dump")
row "routesift, plain listing" "$rs_e" "$rs_c"
row "mawk printing the Path column" "$aw_e" "$aw_c"
ratio "  ratio routesift / mawk" "$rs_e" "$rs_c" "$aw_e" "$aw_c"
awk -v e="$rs_e" 'BEGIN { printf "%-44s %9.2fM\n", "  routes/s (elapsed)", 1 / e }'

for kind in gz:zcat bz2:bzcat; do
    ext=${kind%%:*}
    tool=${kind##*:}
    read -r r_e r_c < <(best_time "$routesift" "$dump.$ext")
    read -r t_e t_c < <(best_time "$tool" "$dump.$ext")
    row "routesift, $ext listing" "$r_e" "$r_c"
    row "$tool alone" "$t_e" "$t_c"
    ratio "  ratio routesift / $tool" "$r_e" "$r_c" "$t_e" "$t_c"
done

read -r mg_e mg_c < <(best_time "$meshprobe" "$work/gz.msp")
read -r mp_e mp_c < <(best_time "$meshprobe" "$work/plain.msp")
read -r z_e z_c < <(best_time zcat "$graph.gz")
row "meshprobe load, gzip'd graph" "$mg_e" "$mg_c"
row "meshprobe load, plain graph" "$mp_e" "$mp_c"
row "zcat of the graph" "$z_e" "$z_c"
ratio "  ratio gzip'd load / (zcat + plain load)" "$mg_e" "$mg_c" \
    "$(awk -v a="$z_e" -v b="$mp_e" 'BEGIN { print a + b }')" \
    "$(awk -v a="$z_c" -v b="$mp_c" 'BEGIN { print a + b }')"
