#!/usr/bin/env python3
"""Reads an AS graph the way meshprobe does and splits it with networkx or
python-igraph: the anchors of the load benchmark and the oracles of the
agreement check.

Inputs: graph files (HGR, HDG, HGR32, HDG32; an undirected adjacency becomes
two arcs) and AS-relationship files ("a|b|-1": an arc from customer b to
provider a; "a|b|0": arcs both ways; "#" comments).

usage: graph_oracles.py networkx|igraph FILE [--partition]
  Prints "nodes N adjacencies E sccs S ccs C" to standard output, or with
  --partition every component (SCCs, then CCs) as a line of AS numbers,
  components ordered by their smallest AS number, as meshprobe numbers them.
python-igraph comes from the Debian package python3-igraph; when the
interpreter running this script lacks it, the system's dist-packages folder is
tried.
"""
import sys


def read_graph(path):
    """Returns (nodes, arcs, adjacencies): the AS numbers, the followable
    arcs (a, b) and the set of unordered adjacencies {a, b}."""
    with open(path, encoding="ascii", errors="replace") as f:
        text = f.read()
    lines = text.split("\n")
    first = next((l for l in lines if not l.startswith("#")), "")
    if "|" in first:
        return read_relationships(lines)
    pos = 2 + int(lines[1]) + 1
    n, e = int(lines[pos]), int(lines[pos + 1])
    pos += 2
    nodes = [int(x) for x in lines[pos:pos + n]]
    pos += n
    known = set(nodes)
    arcs, pairs = [], set()
    for line in lines[pos:pos + e]:
        fields = line.split()
        a, b, d = int(fields[0]), int(fields[1]), int(fields[3])
        if a not in known or b not in known:
            continue
        pairs.add((min(a, b), max(a, b)))
        if d >= 0:
            arcs.append((a, b))
        if d <= 0:
            arcs.append((b, a))
    return nodes, arcs, pairs


def read_relationships(lines):
    nodes, arcs, pairs = set(), [], set()
    for line in lines:
        if not line or line.startswith("#"):
            continue
        fields = line.split("|")
        a, b, rel = int(fields[0]), int(fields[1]), int(fields[2])
        nodes.update((a, b))
        pairs.add((min(a, b), max(a, b)))
        arcs.append((b, a))  # customer to provider, or one way of a peering
        if rel == 0:
            arcs.append((a, b))
    return sorted(nodes), arcs, pairs


def split_networkx(nodes, arcs):
    import networkx as nx
    g = nx.DiGraph()
    g.add_nodes_from(nodes)
    g.add_edges_from(arcs)
    return list(nx.strongly_connected_components(g)), list(nx.weakly_connected_components(g))


def split_igraph(nodes, arcs):
    try:
        import igraph
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        import igraph
    index = {v: i for i, v in enumerate(nodes)}
    g = igraph.Graph(n=len(nodes), edges=[(index[a], index[b]) for a, b in arcs], directed=True)
    def sets(clustering):
        return [{nodes[i] for i in members} for members in clustering]
    return sets(g.connected_components(mode="strong")), sets(g.connected_components(mode="weak"))


def ordered(components):
    return sorted((sorted(c) for c in components), key=lambda c: c[0])


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("networkx", "igraph"):
        sys.exit(__doc__)
    nodes, arcs, pairs = read_graph(sys.argv[2])
    split = split_networkx if sys.argv[1] == "networkx" else split_igraph
    sccs, ccs = split(nodes, arcs)
    if "--partition" in sys.argv[3:]:
        out = sys.stdout.write
        for kind, components in (("scc", sccs), ("cc", ccs)):
            for c in ordered(components):
                out(kind + " " + " ".join(map(str, c)) + "\n")
        return
    print("nodes %d adjacencies %d sccs %d ccs %d" % (len(nodes), len(pairs), len(sccs), len(ccs)))


if __name__ == "__main__":
    main()
