#!/usr/bin/env bash
# Times meshprobe's `load` (reading the file and both component searches)
# against its anchors, in one run, on two graphs:
#   - 16-bit: 65,535 ASs, 1,000,000 adjacencies (an HGR file);
#   - 32-bit: 80,000 ASs, 45% of them above 65535, 500,000 adjacencies, a
#     core SCC and a long tail of stubs (an HGR32 file).
# Anchors: the floor (bench/floor_components.cpp: read, compressed adjacency
# array, Tarjan and breadth-first labelling), networkx and python-igraph
# (bench/graph_oracles.py). Reports CPU time (user + system) and wall time of
# the fastest of RUNS runs, peak resident memory, and the ratios:
#   meshprobe / floor time (goal <= 1.5), networkx / meshprobe (>= 30),
#   igraph / meshprobe (>= 6), meshprobe / floor peak memory (<= 2).
#
# usage: bench/graph_load.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  folder holding the meshprobe binary (default: build)
#   WORK_DIR   where the generated graphs are kept between runs (default: a temp folder)
# environment: RUNS (runs per tool, best kept; default 3), GRAPHS (default "16 32")
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
runs=${RUNS:-3}

if [[ ! -x "$build/meshprobe" ]]; then
    echo "no meshprobe in $build" >&2
    exit 1
fi
python3 -c 'import networkx' 2>/dev/null || { echo "networkx is not installed for python3" >&2; exit 1; }
igraph_python=python3
if ! python3 -c 'import sys; sys.path.append("/usr/lib/python3/dist-packages"); import igraph' 2>/dev/null; then
    igraph_python=/usr/bin/python3
    $igraph_python -c 'import igraph' 2>/dev/null || { echo "python3-igraph is not installed" >&2; exit 1; }
fi

floor="$work/floor_components"
if [[ ! -x "$floor" || "$here/floor_components.cpp" -nt "$floor" ]]; then
    ${CXX:-g++} -O3 -DNDEBUG -std=c++20 -o "$floor" "$here/floor_components.cpp"
fi

graph_file() { # bits -> path, generated once
    local path
    if [[ $1 == 16 ]]; then
        path="$work/as16-65535-1000000.hgr"
        [[ -s "$path" ]] || python3 "$here/gen_asgraph.py" --nodes 65535 --edges 1000000 -o "$path"
    else
        path="$work/as32-80000-500000.hgr32"
        [[ -s "$path" ]] || python3 "$here/gen_asgraph.py" --wide --nodes 80000 --edges 500000 --stub-share 0.6 -o "$path"
    fi
    echo "$path"
}

# Runs a command RUNS times under /usr/bin/time; prints "cpu wall rss_kb" of
# the run with the least CPU time.
measure() {
    local best="" cpu wall rss
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%U %S %e %M' -o "$work/time.txt" "$@" < /dev/null > /dev/null 2> "$work/err.txt" ||
            { cat "$work/err.txt" >&2; exit 1; }
        read -r user sys wall rss < "$work/time.txt"
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}')
        if [[ -z "$best" ]] || awk -v a="$cpu" -v b="${best%% *}" 'BEGIN {exit !(a < b)}'; then
            best="$cpu $wall $rss"
        fi
    done
    echo "$best"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for bits in ${GRAPHS:-16 32}; do
    graph=$(graph_file "$bits")
    echo "load $graph" > "$work/load.msp"
    read -r fc fw fm < <(measure "$floor" "$graph")
    read -r mc mw mm < <(measure "$build/meshprobe" "$work/load.msp")
    read -r nc nw nm < <(measure python3 "$here/graph_oracles.py" networkx "$graph")
    read -r ic iw im < <(measure "$igraph_python" "$here/graph_oracles.py" igraph "$graph")
    echo
    echo "$bits-bit graph: $graph ($(du -h "$graph" | cut -f1))"
    printf '%-10s %10s %10s %14s\n' tool "cpu s" "wall s" "peak RSS MiB"
    for row in "floor $fc $fw $fm" "meshprobe $mc $mw $mm" "networkx $nc $nw $nm" "igraph $ic $iw $im"; do
        set -- $row
        printf '%-10s %10.3f %10.3f %14.1f\n' "$1" "$2" "$3" "$(awk -v k="$4" 'BEGIN {print k / 1024}')"
    done
    echo "meshprobe / floor time:   $(ratio "$mc" "$fc") cpu, $(ratio "$mw" "$fw") wall   (goal <= 1.5)"
    echo "networkx / meshprobe:     $(ratio "$nc" "$mc") cpu, $(ratio "$nw" "$mw") wall   (goal >= 30)"
    echo "igraph / meshprobe:       $(ratio "$ic" "$mc") cpu, $(ratio "$iw" "$mw") wall   (goal >= 6)"
    echo "meshprobe / floor memory: $(ratio "$mm" "$fm")   (goal <= 2)"
done
