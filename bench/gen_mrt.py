#!/usr/bin/env python3
"""Generate realistic MRT archives (RFC 6396) for benchmarks and tests.

A RIB dump is TABLE_DUMP_V2, as route collectors write it: a peer index table,
then one RIB_IPV4_UNICAST / RIB_IPV6_UNICAST record per prefix in prefix
order, with one entry per peer that has a route to it. Most peers are
partial feeds; a few carry nearly the whole table. Paths are about four ASs
before prepending, 4-byte AS numbers are common, some paths are prepended,
a few carry an AS_SET, and some records use the ADD-PATH subtypes (RFC 8050)
with a path identifier per entry.

    gen_mrt.py rib -o rib.mrt                      # 60 peers, 500,000 + 100,000 prefixes
    gen_mrt.py rib --small -o rib.mrt              # a few hundred prefixes, for tests

An update file is BGP4MP_ET: UPDATE messages of 4-byte sessions
(MESSAGE_AS4) and of 2-byte sessions (MESSAGE, with AS_TRANS in AS_PATH and
the real numbers in AS4_PATH), IPv6 in MP_REACH_NLRI / MP_UNREACH_NLRI,
withdrawals, KEEPALIVEs and state changes.

    gen_mrt.py updates --messages 100000 -o updates.mrt

From a text listing (bench/gen_bgpdump.py makes them): a RIB of its routes,
with one peer per next hop and first AS, and each route's path, sets and
confederation groups as the listing shows them.

    gen_mrt.py listing table.txt -o rib.mrt
"""
import argparse
import ipaddress
import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_bgpdump import COL_PATH, NETWORK_WIDTH, classful_length  # noqa: E402

TABLE_DUMP_V2, BGP4MP, BGP4MP_ET = 13, 16, 17
PEER_INDEX_TABLE, RIB_IPV4_UNICAST, RIB_IPV6_UNICAST = 1, 2, 4
RIB_IPV4_UNICAST_ADDPATH, RIB_IPV6_UNICAST_ADDPATH = 8, 10
STATE_CHANGE, MESSAGE, MESSAGE_AS4, STATE_CHANGE_AS4 = 0, 1, 4, 5
AS_SET, AS_SEQUENCE, AS_CONFED_SEQUENCE, AS_CONFED_SET = 1, 2, 3, 4
ORIGIN, AS_PATH, NEXT_HOP, MED, COMMUNITIES, MP_REACH, MP_UNREACH, AS4_PATH = 1, 2, 3, 4, 8, 14, 15, 17
AS_TRANS = 23456
START_TIME = 1765152000  # 2025-12-08 00:00 UTC


# ---- Encoding -------------------------------------------------------------

def record(rtype, subtype, body, timestamp=START_TIME, micro=None):
    if micro is not None:
        body = struct.pack(">I", micro) + body
    return struct.pack(">IHHI", timestamp, rtype, subtype, len(body)) + body


def attribute(atype, value, flags=0x40):
    if len(value) > 255:
        return struct.pack(">BBH", flags | 0x10, atype, len(value)) + value
    return struct.pack(">BBB", flags, atype, len(value)) + value


def segments(segs, width=4):
    """[(type, [asn, ...]), ...] as an AS path value; long runs are split."""
    fmt = ">%d" + ("I" if width == 4 else "H")
    out = []
    for stype, asns in segs:
        for i in range(0, len(asns), 255):
            chunk = asns[i:i + 255]
            out.append(struct.pack(">BB", stype, len(chunk)) + struct.pack(fmt % len(chunk), *chunk))
    return b"".join(out)


def nlri(network, path_id=None):
    net = ipaddress.ip_network(network)
    size = (net.prefixlen + 7) // 8
    head = b"" if path_id is None else struct.pack(">I", path_id)
    return head + bytes([net.prefixlen]) + net.network_address.packed[:size]


def origin_attr(code):
    return attribute(ORIGIN, bytes([code]))


def peer_index_table(peers, collector="10.0.0.1", view=b""):
    body = ipaddress.IPv4Address(collector).packed + struct.pack(">H", len(view)) + view
    body += struct.pack(">H", len(peers))
    for address, asn in peers:
        addr = ipaddress.ip_address(address)
        ptype = (1 if addr.version == 6 else 0) | 2
        body += bytes([ptype]) + ipaddress.IPv4Address(random.getrandbits(32)).packed + addr.packed
        body += struct.pack(">I", asn)
    return record(TABLE_DUMP_V2, PEER_INDEX_TABLE, body)


def rib_record(sequence, network, entries, addpath=False):
    """entries: [(peer index, attribute bytes, path id)]."""
    net = ipaddress.ip_network(network)
    if net.version == 4:
        subtype = RIB_IPV4_UNICAST_ADDPATH if addpath else RIB_IPV4_UNICAST
    else:
        subtype = RIB_IPV6_UNICAST_ADDPATH if addpath else RIB_IPV6_UNICAST
    parts = [struct.pack(">I", sequence), nlri(network), struct.pack(">H", len(entries))]
    for index, attrs, path_id in entries:
        parts.append(struct.pack(">HI", index, START_TIME - 3600))
        if addpath:
            parts.append(struct.pack(">I", path_id))
        parts.append(struct.pack(">H", len(attrs)))
        parts.append(attrs)
    return record(TABLE_DUMP_V2, subtype, b"".join(parts))


def bgp4mp_message(subtype, peer, local, message, micro=None, timestamp=START_TIME):
    """peer, local: (address, asn); message: the BGP message after its header."""
    width = 4 if subtype in (MESSAGE_AS4, STATE_CHANGE_AS4, 7, 9, 11) else 2
    paddr, pas = ipaddress.ip_address(peer[0]), peer[1]
    laddr, las = ipaddress.ip_address(local[0]), local[1]
    fmt = ">II" if width == 4 else ">HH"
    head = struct.pack(fmt, pas, las) + struct.pack(">HH", 0, 1 if paddr.version == 4 else 2)
    head += paddr.packed + laddr.packed
    rtype = BGP4MP if micro is None else BGP4MP_ET
    return record(rtype, subtype, head + message, timestamp, micro)


def bgp_message(mtype, body):
    return b"\xff" * 16 + struct.pack(">HB", 19 + len(body), mtype) + body


def update(withdrawn=b"", attrs=b"", announced=b""):
    return bgp_message(2, struct.pack(">H", len(withdrawn)) + withdrawn + struct.pack(">H", len(attrs)) + attrs
                       + announced)


def mp_reach(networks, nexthops, path_ids=None):
    afi = 2 if ipaddress.ip_network(networks[0]).version == 6 else 1
    nh = b"".join(ipaddress.ip_address(h).packed for h in nexthops)
    body = struct.pack(">HBB", afi, 1, len(nh)) + nh + b"\x00"
    body += b"".join(nlri(n, None if path_ids is None else path_ids[i]) for i, n in enumerate(networks))
    return attribute(MP_REACH, body, 0x80)


def mp_unreach(networks):
    afi = 2 if ipaddress.ip_network(networks[0]).version == 6 else 1
    return attribute(MP_UNREACH, struct.pack(">HB", afi, 1) + b"".join(nlri(n) for n in networks), 0x80)


# ---- Realistic content ----------------------------------------------------

class World:
    """ASs, peers and prefixes drawn once, shared by the RIB and the updates."""

    def __init__(self, rng, peers, v4, v6, full_feeds):
        self.rng = rng
        self.pool = [self.as_number() for _ in range(20000)]
        self.transit = [174, 1299, 2914, 3257, 3320, 3356, 6453, 6762, 6939, 7018, 9002, 12956, 1273, 3491]
        self.peers = []
        for i in range(peers):
            if i % 4 == 3:
                address = "2001:db8:%x::%x" % (rng.randrange(1, 65536), rng.randrange(1, 65536))
            else:
                address = "192.0.%d.%d" % (rng.randrange(0, 256), rng.randrange(1, 255))
            asn = rng.choice(self.transit) if i % 3 == 0 else self.as_number()
            self.peers.append((address, asn))
        self.full = set(rng.sample(range(peers), min(full_feeds, peers)))
        self.upstreams = [[rng.choice(self.transit) for _ in range(3)] for _ in range(peers)]
        self.prefixes = sorted(self.v4_prefixes(v4), key=lambda n: n.network_address) + \
            sorted(self.v6_prefixes(v6), key=lambda n: n.network_address)

    def as_number(self):
        r = self.rng.random()
        if r < 0.005:
            return self.rng.randint(64512, 65534)
        if r < 0.45:
            return self.rng.randint(131072, 400000)
        return self.rng.randint(1, 64000)

    def v4_prefixes(self, count):
        rng = self.rng
        seen = set()
        while len(seen) < count:
            r = rng.random()
            length = 24 if r < 0.6 else rng.randint(19, 23) if r < 0.8 else rng.randint(12, 18) if r < 0.97 \
                else rng.randint(8, 11)
            value = (rng.randint(1, 223) << 24 | rng.getrandbits(24)) & (0xFFFFFFFF << (32 - length))
            seen.add((value, length))
        return [ipaddress.IPv4Network((v, l)) for v, l in seen]

    def v6_prefixes(self, count):
        rng = self.rng
        seen = set()
        while len(seen) < count:
            r = rng.random()
            length = 48 if r < 0.55 else 32 if r < 0.7 else rng.randint(29, 47) if r < 0.97 else rng.randint(49, 64)
            value = (0x2000 << 112 | rng.getrandbits(109) << 3) & ((1 << 128) - (1 << (128 - length)))
            seen.add((value, length))
        return [ipaddress.IPv6Network((v, l)) for v, l in seen]

    def tail(self):
        """The far part of a path, shared by the peers that have the prefix."""
        rng = self.rng
        middle = [rng.choice(self.transit) if rng.random() < 0.4 else rng.choice(self.pool)
                  for _ in range(max(0, int(rng.gauss(1.6, 1.0))))]
        origin = rng.choice(self.pool)
        r = rng.random()
        prepend = rng.randint(300, 600) if r < 0.0003 else rng.randint(1, 6) if r < 0.12 else 0
        return middle, origin, prepend

    def path_segments(self, peer, tail):
        middle, origin, prepend = tail
        rng = self.rng
        seq = [self.peers[peer][1], rng.choice(self.upstreams[peer])] + middle + [origin] * (1 + prepend)
        segs = [(AS_SEQUENCE, seq)]
        if rng.random() < 0.004:
            segs.append((AS_SET, sorted({rng.choice(self.pool) for _ in range(rng.randint(1, 4))})))
        return segs


class RibAttributes:
    """Attribute blocks of RIB entries, from pieces made once: a RIB of
    millions of entries is written in minutes, not hours."""

    def __init__(self, world):
        rng = world.rng
        self.world = world
        self.origins = [origin_attr(0)] * 18 + [origin_attr(2)] * 2 + [origin_attr(1)]
        self.extras = [b""] * 7 + [attribute(MED, struct.pack(">I", m), 0x80) for m in (0, 10, 100)]
        self.extras = [e + c for e in self.extras for c in [b""] * 5 + [
            attribute(COMMUNITIES, struct.pack(">%dI" % n, *[rng.getrandbits(32) for _ in range(n)]), 0xC0)
            for n in range(1, 6)]]
        self.heads = [[struct.pack(">II", asn, up) for up in world.upstreams[p]]
                      for p, (_, asn) in enumerate(world.peers)]
        self.nexthop4 = []
        self.nexthop6 = []
        for p, (address, _) in enumerate(world.peers):
            hop = ipaddress.ip_address(address)
            self.nexthop4.append(attribute(NEXT_HOP, hop.packed if hop.version == 4 else b"\xc0\x00\x02\x01"))
            nh = (hop.packed if hop.version == 6 else ipaddress.IPv6Address("2001:db8::1").packed)
            nh += ipaddress.IPv6Address("fe80::%x" % (p + 1)).packed
            self.nexthop6.append(attribute(MP_REACH, bytes([len(nh)]) + nh, 0x80))

    def tail_bytes(self, tail):
        middle, origin, prepend = tail
        asns = middle + [origin] * (1 + prepend)
        return struct.pack(">%dI" % len(asns), *asns), len(asns)

    def block(self, peer, tail_bytes, v6):
        rng = self.world.rng
        tail, count = tail_bytes
        if count + 2 <= 255:
            path = bytes([AS_SEQUENCE, count + 2]) + rng.choice(self.heads[peer]) + tail
        else:
            asns = list(struct.unpack(">2I", rng.choice(self.heads[peer]))) + \
                list(struct.unpack(">%dI" % count, tail))
            path = segments([(AS_SEQUENCE, asns)])
        if rng.random() < 0.004:
            members = sorted({rng.choice(self.world.pool) for _ in range(rng.randint(1, 4))})
            path += segments([(AS_SET, members)])
        nexthop = self.nexthop6[peer] if v6 else self.nexthop4[peer]
        return rng.choice(self.origins) + attribute(AS_PATH, path) + nexthop + rng.choice(self.extras)


def write_rib(world, out, addpath_share):
    out.write(peer_index_table(world.peers))
    attrs = RibAttributes(world)
    rng = world.rng
    full = sorted(world.full)
    partial = [p for p in range(len(world.peers)) if p not in world.full]
    for sequence, network in enumerate(world.prefixes):
        v6 = network.version == 6
        tail = attrs.tail_bytes(world.tail())
        holders = [p for p in full if rng.random() < 0.97] + [p for p in partial if rng.random() < 0.05]
        holders = sorted(holders) or [rng.randrange(len(world.peers))]
        addpath = rng.random() < addpath_share
        entries = []
        for p in holders:
            entries.append((p, attrs.block(p, tail, v6), 1))
            if addpath and rng.random() < 0.3:
                entries.append((p, attrs.block(p, attrs.tail_bytes(world.tail()), v6), 2))
        out.write(rib_record(sequence, network, entries, addpath))


def update_message(world, peer, as4):
    """One UPDATE of a session; as4: whether the session has 4-byte ASs."""
    rng = world.rng
    network = rng.choice(world.prefixes)
    segs = world.path_segments(peer, world.tail())
    if rng.random() < 0.2:
        return update(withdrawn=nlri(network)) if network.version == 4 else \
            update(attrs=mp_unreach([network]))
    attrs = origin_attr(0)
    if as4:
        attrs += attribute(AS_PATH, segments(segs))
    else:
        narrow = [(t, [a if a <= 65535 else AS_TRANS for a in asns]) for t, asns in segs]
        attrs += attribute(AS_PATH, segments(narrow, 2))
        if any(a > 65535 for _, asns in segs for a in asns):
            attrs += attribute(AS4_PATH, segments(segs), 0xC0)
    more = [network] + [n for n in rng.sample(world.prefixes, rng.randint(0, 3)) if n.version == network.version]
    if network.version == 6:
        return update(attrs=attrs + mp_reach(more, ["2001:db8::%x" % (peer + 1)]))
    attrs += attribute(NEXT_HOP, b"\xc0\x00\x02\x01")
    return update(attrs=attrs, announced=b"".join(nlri(n) for n in more))


def write_updates(world, out, messages):
    rng = world.rng
    local = ("192.0.2.254", 12654)
    for i in range(messages):
        peer = rng.randrange(len(world.peers))
        as4 = peer % 5 != 4
        address, asn = world.peers[peer]
        if ipaddress.ip_address(address).version == 6:
            local_here = ("2001:db8::fe", local[1])
        else:
            local_here = local
        peer_as = asn if as4 or asn <= 65535 else AS_TRANS
        when = START_TIME + i // 20
        micro = rng.randrange(1000000)
        r = rng.random()
        if r < 0.01:
            subtype = STATE_CHANGE_AS4 if as4 else STATE_CHANGE
            # Established (6) to Idle (1): the old state, then the new one.
            out.write(bgp4mp_message(subtype, (address, peer_as), local_here, struct.pack(">HH", 6, 1), micro, when))
            continue
        if r < 0.05:
            message = bgp_message(4, b"")
        else:
            message = update_message(world, peer, as4)
        out.write(bgp4mp_message(MESSAGE_AS4 if as4 else MESSAGE, (address, peer_as), local_here, message, micro,
                                 when))


# ---- From a listing -------------------------------------------------------

def listing_routes(lines):
    """(network, next hop, path text) of each route line of a gen_bgpdump listing."""
    network = None
    pending = None
    for raw in lines:
        line = raw.rstrip("\r\n")
        if len(line) < 4 or line[0] not in "*rRsdhS" or line.startswith(("Status", "Origin")):
            if pending is not None and line.startswith(" " * 20):
                body = line
                network, pending = pending, None
                yield network, body[20:].split()[0], body[COL_PATH - 1:]
            continue
        field = line[3:].split()[0] if line[3:3 + 1] != " " else ""
        shift = 0
        if field:
            if len(line[3:].split()) == 1:
                pending = field
                continue
            network = field
            shift = max(0, len(field) - NETWORK_WIDTH)
        rest = line[COL_PATH - 1 + shift:]
        nexthop = line[3 + len(field):].split()[0]
        yield network, nexthop, rest


def listing_path(text):
    """AS path segments and origin code of a listing's path text: braces are
    an AS_SET each, parentheses a confederation sequence."""
    tokens = text.split()
    code = {"i": 0, "e": 1, "?": 2}[tokens.pop()]
    segs = []
    in_group = False
    for token in tokens:
        if token.startswith("{"):
            segs.append((AS_SET, [as_value(m) for m in token.strip("{}").split(",")]))
            continue
        opens = token.startswith("(")
        kind = AS_CONFED_SEQUENCE if opens or in_group else AS_SEQUENCE
        in_group = (opens or in_group) and not token.endswith(")")
        if not segs or segs[-1][0] != kind or opens:
            segs.append((kind, []))
        segs[-1][1].append(as_value(token.strip("()")))
    return segs, code


def as_value(text):
    if "." in text:
        high, low = text.split(".")
        return int(high) << 16 | int(low)
    return int(text)


def write_listing_rib(listing, out):
    routes = []
    peers = {}
    for network, nexthop, path_text in listing_routes(listing):
        if "/" not in network:
            first = int(network.split(".")[0])
            network = "%s/%d" % (network, classful_length(first))
        segs, code = listing_path(path_text)
        first_as = segs[0][1][0] if segs else 0
        index = peers.setdefault((nexthop, first_as), len(peers))
        attrs = origin_attr(code) + attribute(AS_PATH, segments(segs)) + \
            attribute(NEXT_HOP, ipaddress.IPv4Address(nexthop).packed)
        routes.append((network, index, attrs))
    out.write(peer_index_table([(hop, asn) for (hop, asn) in peers]))
    by_prefix = {}
    order = []
    for network, index, attrs in routes:
        if network not in by_prefix:
            by_prefix[network] = []
            order.append(network)
        by_prefix[network].append((index, attrs, 1))
    for sequence, network in enumerate(order):
        out.write(rib_record(sequence, network, by_prefix[network]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("kind", choices=["rib", "updates", "listing"])
    parser.add_argument("listing", nargs="?", help="the text listing (kind listing)")
    parser.add_argument("--small", action="store_true", help="8 peers, 300 + 100 prefixes, 400 messages")
    parser.add_argument("--peers", type=int, default=60)
    parser.add_argument("--full-feeds", type=int, default=12, help="peers with nearly every prefix (default 12)")
    parser.add_argument("--ipv4", type=int, default=500000)
    parser.add_argument("--ipv6", type=int, default=100000)
    parser.add_argument("--addpath", type=float, default=0.02, help="share of ADD-PATH RIB records (default 0.02)")
    parser.add_argument("--messages", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    if args.small:
        args.peers, args.full_feeds, args.ipv4, args.ipv6, args.messages = 8, 3, 300, 100, 400
    random.seed(args.seed)
    with open(args.output, "wb") as out:
        if args.kind == "listing":
            with open(args.listing, encoding="latin-1") as listing:
                write_listing_rib(listing, out)
            return
        world = World(random.Random(args.seed), args.peers, args.ipv4, args.ipv6, args.full_feeds)
        if args.kind == "rib":
            write_rib(world, out, args.addpath)
        else:
            write_updates(world, out, args.messages)


if __name__ == "__main__":
    main()
