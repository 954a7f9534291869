#!/usr/bin/env python3
"""Checks meshprobe's components against networkx on large generated graphs:
a 32-bit graph file (80,000 ASs, 45% above 65535, 500,000 adjacencies) and an
AS-relationship file of 60,000 lines, both written by gen_asgraph.py.

For both kinds of components, the members of every component, their order
(ascending smallest AS number) and the node and adjacency counts that
`show anyscc index` / `show anycc index` print must equal what networkx finds.
Exit status 0 when everything agrees, 1 otherwise.

usage: bench/graph_agreement.py [BUILD_DIR] [WORK_DIR]
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import graph_oracles  # noqa: E402


def generate(work):
    cases = [
        ("as32-80000-500000.hgr32", ["--wide", "--nodes", "80000", "--edges", "500000", "--stub-share", "0.6"]),
        ("as32-rel-60000.txt", ["--wide", "--relationships", "--nodes", "25000", "--edges", "60000",
                                "--seed", "7"]),
    ]
    paths = []
    for name, flags in cases:
        path = os.path.join(work, name)
        if not os.path.exists(path):
            subprocess.run([sys.executable, os.path.join(HERE, "gen_asgraph.py"), *flags, "-o", path], check=True)
        paths.append(path)
    return paths


def run_meshprobe(meshprobe, script):
    result = subprocess.run([meshprobe], input=script.encode(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            check=True)
    if result.stderr:
        sys.exit("meshprobe: " + result.stderr.decode())
    return result.stdout.decode().split("\n")


def meshprobe_components(meshprobe, path):
    """{kind: [(members, nodes, edges)]} from meshprobe."""
    index = run_meshprobe(meshprobe, "load %s\nshow anyscc index\nshow anycc index\n" % path)
    counts = {"scc": [], "cc": []}
    for line in index:
        fields = line.split()
        if len(fields) == 8 and fields[0] in ("SCC", "CC"):
            counts[fields[0].lower()].append((int(fields[3]), int(fields[6])))
    script = ["load " + path]
    for kind in ("scc", "cc"):
        for i in range(1, len(counts[kind]) + 1):
            script.append("echo %s\ndump %s %d nodes" % (kind, kind, i))
    members = {"scc": [], "cc": []}
    for line in run_meshprobe(meshprobe, "\n".join(script) + "\n"):
        if line in ("scc", "cc"):
            current = []
            members[line].append(current)
        elif line:
            current.append(int(line))
    return {kind: [(m, n, e) for m, (n, e) in zip(members[kind], counts[kind])] for kind in ("scc", "cc")}


def oracle_components(path):
    nodes, arcs, pairs = graph_oracles.read_graph(path)
    sccs, ccs = graph_oracles.split_networkx(nodes, arcs)
    out = {}
    for kind, found in (("scc", sccs), ("cc", ccs)):
        ordered = graph_oracles.ordered(found)
        label = {}
        for i, c in enumerate(ordered):
            for v in c:
                label[v] = i
        edges = [0] * len(ordered)
        for a, b in pairs:
            if label[a] == label[b]:
                edges[label[a]] += 1
        out[kind] = [(c, len(c), e) for c, e in zip(ordered, edges)]
    return out, len(nodes), len(pairs)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp()
    os.makedirs(work, exist_ok=True)
    meshprobe = os.path.join(os.path.abspath(build), "meshprobe")
    ok = True
    for path in generate(work):
        got = meshprobe_components(meshprobe, path)
        want, nodes, adjacencies = oracle_components(path)
        for kind in ("scc", "cc"):
            same = got[kind] == want[kind]
            ok = ok and same
            largest = max((n for _, n, _ in want[kind]), default=0)
            print("%s: %d nodes, %d adjacencies; %d %ss (largest %d): %s" % (
                os.path.basename(path), nodes, adjacencies, len(want[kind]), kind.upper(), largest,
                "agree" if same else "DIFFER"))
            if not same:
                for i, (g, w) in enumerate(zip(got[kind], want[kind])):
                    if g != w:
                        print("  first difference at %s %d: meshprobe %s, networkx %s" % (
                            kind, i + 1, g[1:], w[1:]))
                        break
                if len(got[kind]) != len(want[kind]):
                    print("  meshprobe %d components, networkx %d" % (len(got[kind]), len(want[kind])))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
