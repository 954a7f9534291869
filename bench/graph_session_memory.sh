#!/usr/bin/env bash
# A session that loads, shows, dumps, saves and clears a large graph over and
# over must stay flat in memory: the peak resident memory of 100 rounds is
# compared with that of 5 rounds, in the same run.
#
# usage: bench/graph_session_memory.sh [BUILD_DIR] [WORK_DIR]
# environment: GRAPH (a graph or relationship file; default: a generated
#              32-bit graph of 80,000 ASs and 500,000 adjacencies)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
graph=${GRAPH:-$work/as32-80000-500000.hgr32}
if [[ ! -s "$graph" ]]; then
    python3 "$here/gen_asgraph.py" --wide --nodes 80000 --edges 500000 --stub-share 0.6 -o "$graph"
fi

session() { # rounds -> peak RSS in KiB
    local script="$work/session-$1.msp"
    : > "$script"
    for ((i = 0; i < $1; i++)); do
        cat >> "$script" <<MSP
load $graph
show graph information
show anyscc nodes
show anycc index
show scc 1 ipcovering
dump scc 1 edges
dump cc 1 ipcovering
save scc 1 $work/scc1.out
save cc 1 $work/cc1.out
clear
MSP
    done
    /usr/bin/time -f '%M' -o "$work/rss.txt" "$build/meshprobe" -f "$script" < /dev/null > /dev/null
    cat "$work/rss.txt"
}

few=$(session 5)
many=$(session 100)
echo "peak RSS: $few KiB after 5 rounds, $many KiB after 100 rounds ($(awk -v a="$many" -v b="$few" 'BEGIN {printf "%.3f", a / b}')x)"
