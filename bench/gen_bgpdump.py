#!/usr/bin/env python3
"""Generate a realistic BGP table listing, as a router prints it with
"show ip bgp", for benchmarks and examples.

The listing has the banner lines, the caption header, one line per route
(further paths of a prefix leave the network column blank), and the summary
lines at the end. Its content follows what public route collectors show:
status characters including = r R, classful networks printed without a
length, networks too long for their column that shift the line or push the
rest of the route onto the next line, right-aligned metric, local preference
and weight (sometimes blank), paths of about four ASs with occasional and
sometimes extreme prepending, private ASs, confederation groups in
parentheses, AS sets in braces, about one AS in six with a 32-bit number, and
the origin codes i, e and ?.

    gen_bgpdump.py --routes 1000000 --seed 7 > table.txt

With --wide-paths F, a share F of the paths carries a 32-bit AS (its origin)
and every other AS is 16-bit; the random choices do not depend on F, so two
listings made with the same seed and different F have the same shape (the
same prefixes, path lengths, prepending, sets) and differ only in the
numbers (give both the same --asdot). --asdot G prints a share G of the
32-bit ASs in asdot (X.Y).

    gen_bgpdump.py --routes 1000000 --seed 7 --wide-paths 0.4 > wide.txt
    gen_bgpdump.py --routes 1000000 --seed 7 --wide-paths 0 > narrow.txt

--ipv6 prints the IPv6 table instead ("show bgp ipv6 unicast"): prefixes of
2000::/3 in lower or upper case hex, each too long for its column on a line
of its own with the rest of the route on the next; next hops global,
link-local (some with their interface), IPv4-mapped or dotted IPv4, a next
hop too long for its column pushing the numbers and the path to a third
line. --mixed prints the IPv4 table and then the IPv6 one, the routes shared
between them. --truth FILE writes every route as the generator made it, one
line each: the prefix (RFC 5952 for IPv6), a tab and the path as printed.

--misaligned F prints a share F of the IPv4 route lines off their captions,
as pasted text and wide numbers put them: everything after the next hop one
or two columns left or right, or the numbers after the metric pushed one to
four columns right (a local preference or weight wider than its caption).
The other lines, and the routes, stay those of the same seed without it.
"""
import argparse
import ipaddress
import random
import sys

# Caption columns, one-based, as the header line below places them.
HEADER = "   Network          Next Hop            Metric LocPrf Weight Path"
COL_NEXTHOP = HEADER.index("Next Hop") + 1
COL_METRIC_END = HEADER.index("Metric") + len("Metric")
COL_LOCPRF_END = HEADER.index("LocPrf") + len("LocPrf")
COL_WEIGHT_END = HEADER.index("Weight") + len("Weight")
COL_PATH = HEADER.index("Path") + 1
NETWORK_WIDTH = 16
# Prefix lengths: (cumulative share, shortest, longest) of each band.
IPV4_LENGTHS = [(0.55, 24, 24), (0.75, 19, 23), (0.93, 12, 18), (0.97, 8, 11), (1.0, 25, 32)]
IPV6_LENGTHS = [(0.5, 48, 48), (0.6, 32, 32), (0.8, 29, 47), (0.95, 49, 64), (1.0, 128, 128)]
# Unicast first octets: class A (but 127), B and C.
FIRST_OCTETS = list(range(1, 127)) + list(range(128, 224))

BANNER = [
    "BGP table version is {version}, local router ID is {router}",
    "Status codes: s suppressed, d damped, h history, * valid, > best, i - internal,",
    "              r RIB-failure, S Stale, R Removed, = multipath",
    "Origin codes: i - IGP, e - EGP, ? - incomplete",
    "",
]


def classful_length(first_octet):
    if first_octet < 128:
        return 8
    if first_octet < 192:
        return 16
    if first_octet < 224:
        return 24
    return None


class Generator:
    def __init__(self, rng, args):
        self.rng = rng
        self.args = args
        # Misalignment draws from a generator of its own, so that the routes
        # are those of the seed with or without it.
        self.skew = random.Random(args.seed * 7919 + 1)
        self.wide_path = False
        if args.wide_paths is not None:
            self.init_paired_pools()
            return
        # A pool of ASs shaped like today's: one visible AS in six is 32-bit.
        self.as_pool = []
        for _ in range(20000):
            if rng.random() < args.wide_share:
                self.as_pool.append(rng.randint(131072, 401000))
            else:
                self.as_pool.append(rng.randint(1, 64495))
        # A few big transit networks appear in most paths.
        self.transit = [174, 209, 701, 1299, 2914, 3257, 3320, 3356, 3491, 6453,
                        6461, 6762, 6939, 7018, 12956]
        if args.wide_share > 0:
            self.transit += [199524, 262589]
        self.peers = []
        for i in range(args.peers):
            nexthop = "%d.%d.%d.%d" % (rng.choice([12, 37, 62, 80, 128, 154, 185, 195, 203, 208]),
                                       rng.randint(0, 255), rng.randint(0, 255), rng.randint(1, 254))
            peer_as = rng.choice(self.transit) if i % 3 else rng.choice(self.as_pool)
            self.peers.append((nexthop, peer_as))

    def init_paired_pools(self):
        """Pools of the same size for 16-bit and 32-bit ASs, drawn from
        independently of the share, so that only the numbers change with it."""
        rng = self.rng
        self.as_pool = [rng.randint(1, 64495) for _ in range(20000)]
        self.wide_pool = [rng.randint(131072, 401000) for _ in range(20000)]
        self.transit = [174, 209, 701, 1299, 2914, 3257, 3320, 3356, 3491, 6453,
                        6461, 6762, 6939, 7018, 12956]
        self.peers = []
        for i in range(self.args.peers):
            nexthop = "%d.%d.%d.%d" % (rng.choice([12, 37, 62, 80, 128, 154, 185, 195, 203, 208]),
                                       rng.randint(0, 255), rng.randint(0, 255), rng.randint(1, 254))
            peer_as = rng.choice(self.transit) if i % 3 else rng.choice(self.as_pool)
            self.peers.append((nexthop, peer_as))

    def ipv6_peers(self):
        """Next hops of an IPv6 table, drawn only in IPv6 mode so that the
        IPv4 listings stay as they were for a seed."""
        rng = self.rng
        peers = []
        for nexthop, peer_as in self.peers:
            r = rng.random()
            if r < 0.5:
                hop = "2001:db8:%x::%x" % (rng.randint(0, 0xffff), rng.randint(1, 0xffff))
            elif r < 0.7:
                hop = "fe80::%x:%xff:fe%02x:%x" % (rng.randint(0, 0xffff), rng.randint(0, 0xff),
                                                   rng.randint(0, 0xff), rng.randint(0, 0xffff))
                if rng.random() < 0.5:
                    hop += "%" + rng.choice(["Ethernet1/1", "GigabitEthernet0/0/1", "swp3", "Et12"])
            elif r < 0.85:
                hop = "::ffff:" + nexthop
            else:
                hop = nexthop
            peers.append((hop, peer_as))
        return peers

    def prefix_length(self, shares):
        r = self.rng.random()
        for share, shortest, longest in shares:
            if r < share:
                return shortest if shortest == longest else self.rng.randint(shortest, longest)
        raise AssertionError("the shares end at 1")

    def network6(self):
        rng = self.rng
        length = self.prefix_length(IPV6_LENGTHS)
        value = (1 << 125) | rng.getrandbits(125)
        value &= ((1 << 128) - 1) ^ ((1 << (128 - length)) - 1)
        return value, length

    def network6_text(self, value, length):
        text = str(ipaddress.IPv6Network((value, length)))
        return text.upper() if self.rng.random() < 0.3 else text

    def as_text(self, asn):
        if asn > 65535 and self.args.asdot > 0 and self.rng.random() < self.args.asdot:
            return "%d.%d" % (asn >> 16, asn & 0xFFFF)
        return str(asn)

    def network(self):
        rng = self.rng
        length = self.prefix_length(IPV4_LENGTHS)
        first = rng.choice(FIRST_OCTETS)
        value = (first << 24) | rng.getrandbits(24)
        value &= (0xFFFFFFFF << (32 - length)) & 0xFFFFFFFF
        return value, length

    def network_text(self, value, length):
        text = "%d.%d.%d.%d" % (value >> 24, (value >> 16) & 255, (value >> 8) & 255, value & 255)
        if classful_length(value >> 24) == length and self.rng.random() < 0.5:
            return text
        return "%s/%d" % (text, length)

    def as_number(self, wide=False):
        rng = self.rng
        r = rng.random()
        if r < 0.004:
            return rng.randint(64512, 65534)
        if self.args.wide_paths is None:
            return rng.choice(self.as_pool)
        index = rng.randrange(len(self.as_pool))
        return self.wide_pool[index] if wide else self.as_pool[index]

    def path(self, peer_as):
        rng = self.rng
        wide = self.args.wide_paths is not None and rng.random() < self.args.wide_paths
        hops = [peer_as]
        middle = max(0, int(rng.gauss(2.2, 1.1)))
        for _ in range(middle):
            hops.append(rng.choice(self.transit) if rng.random() < 0.4 else self.as_number())
        origin_as = self.as_number(wide)
        if wide and origin_as <= 65535:
            # A private origin drawn instead: the path must still carry one.
            origin_as = self.wide_pool[origin_as % len(self.wide_pool)]
        hops.append(origin_as)
        tokens = [self.as_text(a) for a in hops]
        r = rng.random()
        if r < self.args.extreme_share:
            # Extreme prepending: hundreds of repetitions on one line.
            tokens += [tokens[-1]] * rng.randint(300, 700)
        elif r < 0.12:
            tokens += [tokens[-1]] * rng.randint(1, 6)
        r = rng.random()
        if r < 0.003:
            # A confederation group in parentheses, glued to its first and last AS.
            group = [str(rng.randint(64512, 65534)) for _ in range(rng.randint(1, 3))]
            group[0] = "(" + group[0]
            group[-1] = group[-1] + ")"
            tokens = tokens[:1] + group + tokens[1:]
        elif r < 0.006:
            members = sorted({self.as_number() for _ in range(rng.randint(1, 4))})
            tokens.append("{" + ",".join(str(m) for m in members) + "}")
        r = rng.random()
        origin = "i" if r < 0.90 else ("?" if r < 0.98 else "e")
        return " ".join(tokens) + " " + origin

    def status(self, best):
        rng = self.rng
        r = rng.random()
        if best:
            if r < 0.92:
                return "*> "
            if r < 0.95:
                return "*>i"
            if r < 0.97:
                return "r> "
            return "s> "
        if r < 0.86:
            return "*  "
        if r < 0.90:
            return "*= "
        if r < 0.93:
            return "* i"
        if r < 0.95:
            return "R  "
        if r < 0.97:
            return "d  "
        if r < 0.99:
            return "h  "
        return "S  "

    def numbers(self):
        rng = self.rng
        metric = "" if rng.random() < 0.3 else str(rng.choice([0, 0, 0, 10, 100, 2000, rng.randint(0, 4294967295)]))
        locprf = "" if rng.random() < 0.6 else str(rng.choice([0, 80, 100, 100, 120, 200]))
        weight = "32768" if rng.random() < 0.001 else "0"
        return metric, locprf, weight

    def route_lines(self, status, network, nexthop, path, ipv6=False):
        """The line(s) of one route; network is "" for a further path."""
        metric, locprf, weight = self.numbers()
        head = status
        shift = 0
        pushed = False
        if network:
            if len(network) > NETWORK_WIDTH:
                if ipv6 or self.rng.random() < 0.5:
                    pushed = True
                else:
                    shift = len(network) - NETWORK_WIDTH
            head += network
        lines = []
        if pushed:
            lines.append(head)
            head = ""
        line = head.ljust(COL_NEXTHOP - 1 + shift) + nexthop
        if ipv6 and COL_NEXTHOP + len(nexthop) > COL_METRIC_END - 10:
            lines.append(line)
            line = ""
        push = 0
        misaligned = not ipv6 and not pushed and self.skew.random() < self.args.misaligned
        if misaligned and self.skew.random() < 1 / 3:
            push = self.skew.randint(1, 4)
            misaligned = False
        line = line.ljust(COL_METRIC_END + shift - len(metric)) + metric
        line = line.ljust(COL_LOCPRF_END + shift + push - len(locprf)) + locprf
        line = line.ljust(COL_WEIGHT_END + shift + push - len(weight)) + weight
        line = line.ljust(COL_PATH - 1 + shift + push) + path
        if misaligned:
            line = self.moved(line, len(head) + line[len(head):].index(nexthop) + len(nexthop))
        lines.append(line)
        return lines

    def moved(self, line, after):
        """The line with everything after column `after` one or two columns
        left (where blanks leave room) or right."""
        columns = self.skew.randint(1, 2)
        if self.skew.random() < 0.5:
            return line[:after] + " " * columns + line[after:]
        blanks = len(line) - len(line[after:].lstrip(" ")) - after
        return line[:after] + line[after + columns:] if blanks > columns else line


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--routes", type=int, default=1000000, help="route lines to write (default 1000000)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--peers", type=int, default=30, help="neighbours, hence paths per prefix at most (default 30)")
    parser.add_argument("--paths", type=float, default=3.0, help="average paths per prefix (default 3)")
    parser.add_argument("--wide-share", type=float, default=1 / 6, help="share of 32-bit ASs (default 1/6)")
    parser.add_argument("--wide-paths", type=float, default=None,
                        help="share of paths carrying a 32-bit AS, all other ASs 16-bit (default: use --wide-share)")
    parser.add_argument("--asdot", type=float, default=0.0, help="share of 32-bit ASs printed in asdot (default 0)")
    parser.add_argument("--extreme-share", type=float, default=0.0005,
                        help="share of paths with hundreds of prepended ASs (default 0.0005)")
    parser.add_argument("--pager", type=int, default=0, help="insert a --More-- line every N lines (default never)")
    parser.add_argument("--crlf", action="store_true", help="end lines with carriage return and line feed")
    parser.add_argument("--ipv6", action="store_true", help="an IPv6 table instead of the IPv4 one")
    parser.add_argument("--mixed", action="store_true", help="the IPv4 table, then the IPv6 one")
    parser.add_argument("--truth", help="write each route's prefix and path to this file")
    parser.add_argument("--misaligned", type=float, default=0.0,
                        help="share of IPv4 route lines printed off their captions (default 0)")
    parser.add_argument("-o", "--output", help="output file (default standard output)")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    gen = Generator(rng, args)
    out = open(args.output, "w", newline="") if args.output else sys.stdout
    eol = "\r\n" if args.crlf else "\n"
    written_lines = 0
    buffer = []

    def emit(text):
        nonlocal written_lines
        buffer.append(text + eol)
        written_lines += 1
        if args.pager and written_lines % args.pager == 0:
            buffer.append(" --More-- " + eol)
        if len(buffer) >= 8192:
            out.write("".join(buffer))
            buffer.clear()

    truth = open(args.truth, "w") if args.truth else None
    router = "%d.%d.%d.%d" % (10, rng.randint(0, 255), rng.randint(0, 255), rng.randint(1, 254))
    tables = [False, True] if args.mixed else [args.ipv6]
    for table, ipv6 in enumerate(tables):
        # The routes are shared out between the tables.
        count = args.routes // len(tables) + (args.routes % len(tables) if table == 0 else 0)
        write_table(gen, rng, args, ipv6, count, router, emit, truth)
    out.write("".join(buffer))
    if out is not sys.stdout:
        out.close()
    if truth:
        truth.close()


def write_table(gen, rng, args, ipv6, count, router, emit, truth):
    if ipv6:
        emit("")
        emit("For address family: IPv6 Unicast")
    for line in BANNER:
        emit(line.format(version=rng.randint(10 ** 6, 10 ** 9), router=router))
    emit(HEADER)

    # Prefixes in ascending order, as routers list them.
    prefix_count = max(1, int(count / args.paths))
    peers = gen.ipv6_peers() if ipv6 else gen.peers
    if ipv6:
        prefixes = sorted({gen.network6() for _ in range(prefix_count)})
    else:
        prefixes = sorted({gen.network() for _ in range(prefix_count)})
    routes = 0
    prefix_index = 0
    while routes < count:
        value, length = prefixes[prefix_index % len(prefixes)]
        prefix_index += 1
        paths = min(args.peers, max(1, int(rng.expovariate(1 / args.paths)) + 1))
        network = gen.network6_text(value, length) if ipv6 else gen.network_text(value, length)
        chosen = rng.sample(peers, min(paths, len(peers)))
        for i, (nexthop, peer_as) in enumerate(chosen):
            if routes >= count:
                break
            status = gen.status(i == 0)
            path = gen.path(peer_as)
            for line in gen.route_lines(status, network if i == 0 else "", nexthop, path, ipv6):
                emit(line)
            if truth:
                truth.write("%s\t%s\n" % (network.lower(), path))
            routes += 1
    emit("")
    emit("Total number of prefixes %d " % min(prefix_index, len(prefixes)))
    emit("Displayed %d routes and %d total paths" % (min(prefix_index, len(prefixes)), routes))


if __name__ == "__main__":
    main()
