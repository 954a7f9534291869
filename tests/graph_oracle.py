#!/usr/bin/env python3
"""Checks the AS graph that `routesift --graph` writes against a model built
from routesift's own grouped output (`--group --prefixes=show`).

The model: every AS of a reported path is a node; two consecutive different
ASs outside AS sets are an adjacency; each direction counts the routes that
cross it and the distinct IPv4 addresses of their prefixes (a network without
length has its classful one; an IPv6 prefix counts its route but no
address). The graph file must hold exactly that, in the
writer's order, with every adjacency unoriented.

    graph_oracle.py --bin-dir build --dump table.txt [-- routesift settings...]
    graph_oracle.py --bin-dir build --generate 100000 [-- settings...]
"""
import argparse
import os
import subprocess
import sys
import tempfile
from collections import defaultdict


def classful(first_octet):
    if 1 <= first_octet <= 127:
        return 8
    if 128 <= first_octet <= 191:
        return 16
    if 192 <= first_octet <= 223:
        return 24
    return 32


def interval(prefix):
    text, _, length = prefix.partition("/")
    octets = [int(x) for x in text.split(".")]
    value = (octets[0] << 24) | (octets[1] << 16) | (octets[2] << 8) | octets[3]
    bits = int(length) if length else classful(octets[0])
    size = 1 << (32 - bits)
    first = value & ~(size - 1) & 0xFFFFFFFF
    return first, first + size - 1


def path_items(text):
    """(AS, in a set) for every item of a printed path."""
    items = []
    in_set = False
    for token in text.split():
        if token.startswith("("):
            in_set = True
            token = token[1:]
        closes = token.endswith(")")
        items.append((int(token.rstrip(")")), in_set))
        if closes:
            in_set = False
    return items


def union_size(intervals):
    total = 0
    end = -1
    for first, last in sorted(intervals):
        if first > end:
            total += last - first + 1
            end = last
        elif last > end:
            total += last - end
            end = last
    return total


def model(grouped):
    nodes = set()
    paths = defaultdict(int)
    prefixes = defaultdict(list)
    for line in grouped.splitlines():
        fields = line.split("\t")
        count, path, routes = int(fields[0]), fields[-2], fields[-1].split()
        assert len(routes) == count, "one prefix per route: " + line
        items = path_items(path)
        crossed = set()
        for i, (asn, _) in enumerate(items):
            nodes.add(asn)
            if i + 1 < len(items):
                nxt, nxt_in_set = items[i + 1]
                if not items[i][1] and not nxt_in_set and nxt != asn:
                    crossed.add((asn, nxt))
        for d in crossed:
            paths[d] += count
            prefixes[d].extend(interval(p) for p in routes if ":" not in p)
    edges = {}
    for a, b in paths:
        lo, hi = min(a, b), max(a, b)
        edges[(lo, hi)] = (paths.get((lo, hi), 0), union_size(prefixes.get((lo, hi), [])),
                           paths.get((hi, lo), 0), union_size(prefixes.get((hi, lo), [])))
    return nodes, edges


def expected_file(source, comment, nodes, edges):
    marker = "HGR32" if any(n > 65535 for n in nodes) else "HGR"
    lines = [marker, "1", source, comment, str(len(nodes)), str(len(edges))]
    lines += [str(n) for n in sorted(nodes)]
    for (a, b), (pab, iab, pba, iba) in sorted(edges.items()):
        lines.append("%d %d 0 0 %d %d %d %d" % (a, b, pab, iab, pba, iba))
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin-dir", required=True)
    ap.add_argument("--dump", help="BGP table listing to read")
    ap.add_argument("--generate", type=int, help="generate a listing of this many routes instead")
    ap.add_argument("--mixed", action="store_true", help="generate an IPv4 and an IPv6 table")
    ap.add_argument("settings", nargs="*", help="routesift settings, after --")
    args = ap.parse_args()
    routesift = os.path.join(os.path.abspath(args.bin_dir), "routesift")
    here = os.path.dirname(os.path.abspath(__file__))

    with tempfile.TemporaryDirectory(prefix="graph-oracle-") as work:
        dump = args.dump
        if args.generate:
            dump = os.path.join(work, "dump.txt")
            subprocess.run([sys.executable, os.path.join(here, "..", "bench", "gen_bgpdump.py"),
                            "--routes", str(args.generate), "--seed", "14", "-o", dump]
                           + (["--mixed"] if args.mixed else []), check=True)
        graph = os.path.join(work, "graph.hgr")
        grouped = subprocess.run([routesift, "--group", "--prefixes=show"] + args.settings + [dump],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=True).stdout.decode()
        plain = subprocess.run([routesift, "--graph", graph] + args.settings + [dump],
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=True).stdout
        with open(graph) as f:
            actual = f.read()

    nodes, edges = model(grouped)
    comment = " ".join(["routesift"] + args.settings)
    expected = expected_file(dump, comment, nodes, edges)
    if actual != expected:
        want, got = expected.splitlines(), actual.splitlines()
        for i in range(max(len(want), len(got))):
            w = want[i] if i < len(want) else "<none>"
            g = got[i] if i < len(got) else "<none>"
            if w != g:
                print("line %d: expected %r, graph file has %r" % (i + 1, w, g))
                break
        print("FAIL: the graph file differs from the model (%d nodes, %d adjacencies)" % (len(nodes), len(edges)))
        return 1
    if not plain:
        print("FAIL: --graph suppressed the main output")
        return 1
    print("PASS: %d nodes, %d adjacencies agree with the model" % (len(nodes), len(edges)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
