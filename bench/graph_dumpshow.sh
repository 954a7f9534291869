#!/usr/bin/env bash
# Times meshprobe's `dump graph edges` and `show graph ipcovering` (and a few
# of their neighbours) on a large AS-like graph: 65,535 nodes and 1,000,000
# adjacencies by default, normal and differential.
#
# A load-only run of the file gives the baseline; then each command runs
# REPEAT times after one load, and the figure per command is the difference
# divided by REPEAT. Both wall time and CPU time (user + system) are given:
# on a shared machine the CPU time is the steadier figure. Output goes to a
# file, as when a dump is piped into other tools. Peak memory is the maximum
# resident set size from /usr/bin/time -v.
#
# usage: bench/graph_dumpshow.sh [BUILD_DIR] [NODES] [EDGES] [REPEAT]
#        (defaults: build 65535 1000000 3; graphs are cached in $WORK,
#         default /tmp/halcyn-bench)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
nodes=${2:-65535}
edges=${3:-1000000}
repeat=${4:-3}
work=${WORK:-/tmp/halcyn-bench}
meshprobe=$build/meshprobe
[[ -x $meshprobe ]] || { echo "no meshprobe in $build" >&2; exit 1; }
mkdir -p "$work"

# measure GRAPH TIMES COMMAND: prints "wall cpu peakKiB lines"
measure() {
    local graph=$1 times=$2 cmd=${3:-}
    local script=$work/bench.msp
    { echo "load $graph"; for ((i = 0; i < times; i++)); do echo "$cmd"; done; } > "$script"
    /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$meshprobe" "$script" > "$work/out.txt"
    read -r wall user sys kib < "$work/time.txt"
    echo "$wall $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $kib $(wc -l < "$work/out.txt")"
}

for kind in hgr hdg; do
    graph=$work/asgraph-$nodes-$edges.$kind
    if [[ ! -s $graph ]]; then
        flag=()
        [[ $kind == hdg ]] && flag=(--differential)
        echo "generating $graph" >&2
        python3 "$here/gen_asgraph.py" "${flag[@]}" --nodes "$nodes" --edges "$edges" -o "$graph"
    fi
    echo "== $graph ($nodes nodes, $edges adjacencies)"
    read -r bwall bcpu bkib _ <<< "$(measure "$graph" 0)"
    printf '%-36s %7.2f s wall %7.2f s cpu %9d KiB peak\n' "load alone" "$bwall" "$bcpu" "$bkib"
    cmds=("dump graph edges" "show graph ipcovering" "dump graph ipcovering" "dump graph pathcovering"
          "show graph pathcovering")
    [[ $kind == hdg ]] && cmds+=("dump graph differences" "show graph differences duration")
    for cmd in "${cmds[@]}"; do
        read -r wall cpu kib lines <<< "$(measure "$graph" "$repeat" "$cmd")"
        awk -v c="$cmd" -v w="$wall" -v bw="$bwall" -v u="$cpu" -v bu="$bcpu" -v r="$repeat" -v k="$kib" \
            -v l="$lines" 'BEGIN { printf "%-36s %7.2f s wall %7.2f s cpu %9d KiB peak %8d lines\n",
                                   c, (w - bw) / r, (u - bu) / r, k, l / r }'
    done
done
