#!/usr/bin/env python3
"""Writes a realistic AS-like graph file for meshprobe: a normal ("HGR") or
differential ("HDG") graph file, its 32-bit form ("HGR32", "HDG32") with AS
numbers above 65535, or an AS-relationship file ("provider|customer|-1",
"peer|peer|0").

Shape of the generated graph, as seen in real AS-level topologies:
- heavy-tailed degrees: endpoints are drawn with probability proportional to a
  power-law weight (Chung-Lu), so a few hubs hold tens of thousands of
  adjacencies while most ASs have a handful;
- customer-to-provider adjacencies are directed (from the smaller AS towards
  the bigger one), peerings between ASs of similar size are undirected, and a
  few adjacencies have an unknown orientation;
- stub ASs (the smallest share of the ASs) only ever buy transit, so they sit
  outside every cycle: one large strongly connected core held together by
  peerings, plus thousands of singleton components.

- with --wide, a share of the ASs (45% by default, as in today's routing)
  gets numbers from the 32-bit range that registries allocate from (131072
  upwards), the rest from the 16-bit public range.

Graph files come out as meshprobe's own writer orders them: nodes ascending,
each adjacency once from its smaller AS number, sorted. A relationship file
lists each adjacency once in a shuffled order, provider first for a
customer-to-provider link; adjacencies of unknown orientation become peerings
there, as the format has no way to say "unknown".

Example: gen_asgraph.py --nodes 65535 --edges 1000000 -o big.hgr
         gen_asgraph.py --differential --nodes 2000 --edges 20000 -o small.hdg
         gen_asgraph.py --wide --nodes 80000 --edges 500000 --stub-share 0.6 -o today.hgr32
         gen_asgraph.py --wide --relationships --nodes 20000 --edges 60000 -o today.as-rel.txt
"""
import argparse
import itertools
import random
import sys


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--nodes", type=int, default=65535, help="number of ASs (at most 65535 without --wide)")
    p.add_argument("--edges", type=int, default=1000000, help="number of distinct adjacencies")
    p.add_argument("--differential", action="store_true", help="write a differential (HDG) graph")
    p.add_argument("--wide", action="store_true", help="32-bit AS numbers (HGR32 / HDG32 files)")
    p.add_argument("--wide-share", type=float, default=0.45, help="share of ASs above 65535 with --wide")
    p.add_argument("--relationships", action="store_true", help="write an AS-relationship file")
    p.add_argument("--seed", type=int, default=2026)
    p.add_argument("--exponent", type=float, default=2.1, help="degree distribution exponent (> 2)")
    p.add_argument("--stub-share", type=float, default=0.15, help="share of ASs that never peer")
    p.add_argument("--peer-ratio", type=float, default=4.0,
                   help="ASs whose weights differ by less than this factor may peer")
    p.add_argument("-o", "--output", default="-", help="output file (default: standard output)")
    args = p.parse_args()
    if not 1 <= args.nodes <= (400000 if args.wide else 65535):
        p.error("--nodes must lie in 1..%d" % (400000 if args.wide else 65535))
    if args.relationships and args.differential:
        p.error("a relationship file cannot be differential")
    max_edges = args.nodes * (args.nodes - 1) // 2
    if not 0 <= args.edges <= max_edges // 4:
        p.error("--edges must lie in 0..%d for that many nodes" % (max_edges // 4))
    return args


def heavy_tail(rng, scale, alpha=1.2, cap=10 ** 9):
    return min(cap, int(scale * rng.paretovariate(alpha)))


def main():
    args = parse_args()
    rng = random.Random(args.seed)
    n = args.nodes

    # AS numbers are spread over their space, unrelated to size.
    if args.wide:
        wide = int(n * args.wide_share)
        narrow = min(n - wide, 64000)
        wide = n - narrow
        as_numbers = rng.sample(range(1, 64496), narrow) + rng.sample(range(131072, 131072 + 4 * max(wide, 1)), wide)
        rng.shuffle(as_numbers)
    else:
        as_numbers = rng.sample(range(1, 65536), n)
    # Rank r gets weight (r + 1)^(-1 / (exponent - 1)): expected degree follows
    # a power law with the given exponent.
    power = 1.0 / (args.exponent - 1.0)
    weight = [(r + 1) ** -power for r in range(n)]
    cum = list(itertools.accumulate(weight))
    stub_from = n - int(n * args.stub_share)  # ranks at or above this are stubs

    pairs = {}
    ranks = range(n)
    while len(pairs) < args.edges:
        need = args.edges - len(pairs)
        us = rng.choices(ranks, cum_weights=cum, k=need + need // 8 + 16)
        vs = rng.choices(ranks, cum_weights=cum, k=len(us))
        for u, v in zip(us, vs):
            if u == v:
                continue
            small, big = (u, v) if u > v else (v, u)  # higher rank = smaller AS
            key = small * n + big
            if key in pairs:
                continue
            # Orientation from `small` (customer) towards `big` (provider).
            if small >= stub_from:
                orient = 1
            elif weight[big] / weight[small] < args.peer_ratio and rng.random() < 0.7:
                orient = 0
            else:
                orient = 1
            known = rng.random() > 0.03
            pairs[key] = (small, big, orient if known else 0, known)
            if len(pairs) == args.edges:
                break

    lines = []
    for (small, big, orient, known) in pairs.values():
        a, b = as_numbers[small], as_numbers[big]
        d = orient
        if a > b:  # written from the smaller AS number
            a, b = b, a
            d = -d
        lines.append((a, b, d, known))
    lines.sort()

    out = sys.stdout if args.output == "-" else open(args.output, "w", encoding="ascii")
    if args.relationships:
        with out:
            write_relationships(out.write, rng, lines, args)
        return
    with out:
        w = out.write
        w(("HDG" if args.differential else "HGR") + ("32\n" if args.wide else "\n"))
        sources = ["rib.20261201.0000.txt", "rib.20261201.0800.txt", "rib.20261201.1600.txt"]
        if args.differential:
            sources = sources[:2]
        w("%d\n" % len(sources))
        for s in sources:
            w(s + "\n")
        w("synthetic AS graph: %d ASs, %d adjacencies, seed %d\n" % (n, len(lines), args.seed))
        w("%d\n%d\n" % (n, len(lines)))
        w("".join("%d\n" % a for a in sorted(as_numbers)))
        chunk = []
        for (a, b, d, known) in lines:
            p1, p2 = heavy_tail(rng, 2), heavy_tail(rng, 2)
            ip1, ip2 = 256 * heavy_tail(rng, 4), 256 * heavy_tail(rng, 4)
            line = "%d %d %d %d %d %d %d %d" % (a, b, 1 if known else 0, d, p1, ip1, p2, ip2)
            if args.differential:
                g = rng.randint(2, 12)
                counts = [0, 0, 0, 0]  # incoming, outgoing, undirected, unoriented
                for _ in range(g):
                    counts[rng.choices((0, 1, 2, 3), weights=(1 if d < 0 else 0.1, 1 if d > 0 else 0.1,
                                                              1 if d == 0 else 0.1, 0.1))[0]] += 1
                changes = rng.randint(0, g - 1)
                stability = max(counts) / g
                d1 = d if rng.random() < 0.9 else rng.choice((-1, 0, 1))
                d2 = d if rng.random() < 0.9 else rng.choice((-1, 0, 1))
                line += " %d %d %d %d %d %d %d %d %d %d %d %d %d %d %f" % (
                    1 if known else 0, 1 if rng.random() > 0.03 else 0, d1, d2,
                    heavy_tail(rng, 2), 256 * heavy_tail(rng, 4), heavy_tail(rng, 2), 256 * heavy_tail(rng, 4),
                    g, counts[0], counts[1], counts[2], counts[3], changes, stability)
            chunk.append(line)
            if len(chunk) >= 65536:
                w("\n".join(chunk) + "\n")
                chunk = []
        if chunk:
            w("\n".join(chunk) + "\n")


def write_relationships(w, rng, lines, args):
    w("# synthetic AS relationships: %d adjacencies, seed %d\n" % (len(lines), args.seed))
    w("# <provider-as>|<customer-as>|-1\n# <peer-as>|<peer-as>|0|<source>\n")
    rows = []
    for (a, b, d, known) in lines:
        if d == 1:  # a is the customer of b
            rows.append("%d|%d|-1" % (b, a))
        elif d == -1:
            rows.append("%d|%d|-1" % (a, b))
        elif rng.random() < 0.5:
            rows.append("%d|%d|0" % (a, b))
        else:
            rows.append("%d|%d|0|bgp" % (b, a))
    rng.shuffle(rows)
    for start in range(0, len(rows), 65536):
        w("\n".join(rows[start:start + 65536]) + "\n")


if __name__ == "__main__":
    main()
