#!/usr/bin/env bash
# Times meshprobe loading a realistic AS graph file (65,535 nodes, 1,000,000
# adjacency lines; the load includes both component searches) against networkx
# reading the same file and computing its strongly connected and connected
# components, in the same run. Reports wall and CPU time and peak memory.
#
# usage: bench/graph_load.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  folder holding the meshprobe binary (default: build)
#   WORK_DIR   where the generated graph is kept between runs (default: a temp folder)
# environment: NODES, EDGES (graph size), RUNS (runs per tool, best kept; default 3),
#              DIFFERENTIAL=1 (use a differential graph file)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
nodes=${NODES:-65535}
edges=${EDGES:-1000000}
runs=${RUNS:-3}
kind=hgr
genflags=()
if [[ "${DIFFERENTIAL:-0}" == 1 ]]; then
    kind=hdg
    genflags=(--differential)
fi
graph="$work/as-$nodes-$edges.$kind"

if [[ ! -x "$build/meshprobe" ]]; then
    echo "no meshprobe in $build" >&2
    exit 1
fi
if ! python3 -c 'import networkx' 2>/dev/null; then
    echo "networkx is not installed for python3" >&2
    exit 1
fi
if [[ ! -s "$graph" ]]; then
    echo "generating $graph ..." >&2
    python3 "$here/gen_asgraph.py" --nodes "$nodes" --edges "$edges" "${genflags[@]}" -o "$graph"
fi

cat > "$work/load.msp" <<EOF
load $graph
EOF

cat > "$work/nx_load.py" <<'EOF'
# networkx baseline: read the graph file, build a directed graph (an
# undirected adjacency becomes two arcs), compute SCCs and weakly connected
# components.
import sys
import networkx as nx

with open(sys.argv[1]) as f:
    lines = f.read().split("\n")
pos = 2 + int(lines[1]) + 1
n, e = int(lines[pos]), int(lines[pos + 1])
pos += 2
g = nx.DiGraph()
g.add_nodes_from(int(x) for x in lines[pos:pos + n])
pos += n
for line in lines[pos:pos + e]:
    fields = line.split()
    a, b, d = int(fields[0]), int(fields[1]), int(fields[3])
    if d >= 0:
        g.add_edge(a, b)
    if d <= 0:
        g.add_edge(b, a)
sccs = list(nx.strongly_connected_components(g))
ccs = list(nx.weakly_connected_components(g))
print("networkx: %d nodes, %d SCCs (largest %d), %d CCs" % (g.number_of_nodes(), len(sccs), max(map(len, sccs)), len(ccs)),
      file=sys.stderr)
EOF

# Runs a command RUNS times under /usr/bin/time -v; prints "wall user sys rss_kb" of the fastest run.
measure() {
    local best="" line wall user sys rss
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -v "$@" < /dev/null > /dev/null 2> "$work/time.txt"
        wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (k = 1; k <= n; k++) s = s * 60 + t[k]; print s}' "$work/time.txt")
        user=$(awk -F': ' '/User time/ {print $2}' "$work/time.txt")
        sys=$(awk -F': ' '/System time/ {print $2}' "$work/time.txt")
        rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
        grep -h '^networkx:' "$work/time.txt" >&2 || true
        line="$wall $user $sys $rss"
        if [[ -z "$best" ]] || awk -v a="$wall" -v b="${best%% *}" 'BEGIN {exit !(a < b)}'; then best=$line; fi
    done
    echo "$best"
}

echo "graph file: $graph ($(du -h "$graph" | cut -f1))"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
read -r mw mu ms mr < <(measure "$build/meshprobe" "$work/load.msp")
read -r nw nu ns nr < <(measure python3 "$work/nx_load.py" "$graph")

printf '\n%-10s %10s %10s %10s %14s\n' tool "wall s" "user s" "sys s" "peak RSS MiB"
printf '%-10s %10.2f %10.2f %10.2f %14.1f\n' meshprobe "$mw" "$mu" "$ms" "$(echo "$mr / 1024" | bc -l)"
printf '%-10s %10.2f %10.2f %10.2f %14.1f\n' networkx "$nw" "$nu" "$ns" "$(echo "$nr / 1024" | bc -l)"
printf '\nspeed-up (wall): %.1fx   speed-up (CPU): %.1fx\n' \
    "$(echo "$nw / $mw" | bc -l)" "$(echo "($nu + $ns) / ($mu + $ms)" | bc -l)"
