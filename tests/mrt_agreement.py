#!/usr/bin/env python3
"""The MRT reader against the independent reader of mrt_oracle.py: on a small
generated RIB and update file, on hand-built records for each case the
formats allow (AS4_PATH merge, sets, confederations, ADD-PATH, IPv6 next
hops, extended lengths, a record over 64 KiB, TABLE_DUMP) and on each kind
of damage. Every route's prefix, peer, origin and path must agree, and every
parse error and read failure must name the same record: in the decoder's
own listing (the mrt_routes tool) and in routesift's output, where routes
are paths with their prefixes (--prefixes=show, with sets, private ASs and
incomplete routes tagged), --peer picks each peer's routes, -v names the
damaged records and a cut file ends with status 2.

    mrt_agreement.py --bin-dir BUILD [--keep DIR]

--keep writes the hand-built files to DIR (the fuzz corpus is seeded so).
"""
import argparse
import gzip
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "bench"))
sys.path.insert(0, HERE)
import gen_mrt as g  # noqa: E402
import mrt_oracle  # noqa: E402

PEER4 = ("192.0.2.7", 64496)
PEER6 = ("2001:db8::7", 4200000001)
LOCAL = ("192.0.2.254", 12654)
LOCAL6 = ("2001:db8::fe", 12654)


def path_attrs(segs, width=4, as4=None, code=0, nexthop=True):
    attrs = g.origin_attr(code) + g.attribute(g.AS_PATH, g.segments(segs, width))
    if as4 is not None:
        attrs += g.attribute(g.AS4_PATH, g.segments(as4), 0xC0)
    if nexthop:
        attrs += g.attribute(g.NEXT_HOP, bytes([192, 0, 2, 1]))
    return attrs


def rib_file(entries_by_prefix, peers=(PEER4, PEER6), addpath=False):
    out = g.peer_index_table(list(peers))
    for seq, (network, entries) in enumerate(entries_by_prefix):
        out += g.rib_record(seq, network, entries, addpath)
    return out


def msg(subtype, update, peer=PEER4, micro=None):
    local = LOCAL if ":" not in peer[0] else LOCAL6
    return g.bgp4mp_message(subtype, peer, local, update, micro)


def table_dump(afi, network, peer, attrs):
    import ipaddress
    net = ipaddress.ip_network(network)
    body = struct.pack(">HH", 0, 1) + net.network_address.packed + bytes([net.prefixlen, 1])
    body += struct.pack(">I", g.START_TIME) + ipaddress.ip_address(peer[0]).packed + struct.pack(">H", peer[1])
    body += struct.pack(">H", len(attrs)) + attrs
    return g.record(12, afi, body)


def cases():
    """(name, file bytes, lines both readers must print among others)."""
    merge = [(g.AS_SEQUENCE, [100, g.AS_TRANS, 200, g.AS_TRANS])]
    four = [(g.AS_SEQUENCE, [70000, 200, 80000])]
    long_as4 = [(g.AS_SEQUENCE, [1, 2, 3, 4, 5])]
    confed = [(g.AS_CONFED_SEQUENCE, [65001, 65002]), (g.AS_CONFED_SET, [65003]),
              (g.AS_SEQUENCE, [3320, 4200000005]), (g.AS_SET, [7, 8])]
    big = [(g.AS_SEQUENCE, [3356] + [131072] * 300)]
    yield "as4_merge", (
        msg(g.MESSAGE, g.update(attrs=path_attrs(merge, 2, four), announced=g.nlri("10.1.0.0/16")))
        + msg(g.MESSAGE, g.update(attrs=path_attrs(merge, 2, long_as4), announced=g.nlri("10.2.0.0/16")))
        + msg(g.MESSAGE, g.update(attrs=path_attrs([(g.AS_SET, [g.AS_TRANS, 300])] + merge, 2,
                                                   [(g.AS_CONFED_SEQUENCE, [65000])] + four),
                                  announced=g.nlri("10.3.0.0/16")))
        + table_dump(1, "10.4.0.0/16", PEER4, path_attrs(merge, 2, four))
        + rib_file([("10.5.0.0/16", [(0, path_attrs(merge, 4, four), 0)])])), [
        "R 10.1.0.0/16 64496 192.0.2.7 1 100 70000 200 80000",
        "R 10.2.0.0/16 64496 192.0.2.7 1 100 23456 200 23456",
        "R 10.3.0.0/16 64496 192.0.2.7 1 23456s 300s 100 70000 200 80000",
        "R 10.4.0.0/16 64496 192.0.2.7 1 100 70000 200 80000",
        "R 10.5.0.0/16 64496 192.0.2.7 1 100 70000 200 80000"]
    yield "sets_confederations", (
        rib_file([("10.6.0.0/16", [(0, path_attrs(confed, code=2), 0)])])), [
        "R 10.6.0.0/16 64496 192.0.2.7 4 65001p 65002p 65003ps 3320 4200000005p 7s 8s"]
    v6reach = g.mp_reach(["2001:db8:1::/48", "2001:db8:2::/48"], ["2001:db8::1", "fe80::1"], [1, 2])
    yield "addpath_ipv6_nexthops", (
        rib_file([("10.7.0.0/16", [(0, path_attrs([(2, [1, 2])]), 1), (0, path_attrs([(2, [1, 3])]), 2)]),
                  ("2001:db8:3::/48", [(1, path_attrs([(2, [4200000001, 9])], nexthop=False)
                                        + g.attribute(g.MP_REACH, b"\x20" + bytes(32), 0x80), 7)])],
                 addpath=True)
        + msg(9, g.update(attrs=path_attrs([(2, [4200000001, 6])], nexthop=False) + v6reach), PEER6, 5)
        + msg(9, g.update(withdrawn=b"\0\0\0\1" + g.nlri("10.9.0.0/16"),
                          attrs=path_attrs([(2, [64496, 5])]), announced=b"\0\0\0\2" + g.nlri("10.8.0.0/16")))
        + msg(4, g.update(attrs=path_attrs([(2, [64496, 5])], nexthop=False)
                          + g.mp_reach(["10.10.0.0/16"], ["2001:db8::1"])))), [
        "R 10.7.0.0/16 64496 192.0.2.7 1 1 2", "R 10.7.0.0/16 64496 192.0.2.7 1 1 3",
        "R 2001:db8:3::/48 4200000001 2001:db8::7 1 4200000001p 9",
        "R 2001:db8:2::/48 4200000001 2001:db8::7 1 4200000001p 6",
        "R 10.8.0.0/16 64496 192.0.2.7 1 64496 5", "R 10.10.0.0/16 64496 192.0.2.7 1 64496 5"]
    wide = [(0, path_attrs(big) + g.attribute(99, bytes(300), 0xC0), 0)] * 250
    yield "extended_lengths_large_record", (
        rib_file([("10.11.0.0/16", wide)])
        + table_dump(2, "2001:db8:4::/48", ("2001:db8::9", 65000), path_attrs([(2, [65000, 1])], 2))
        + g.record(11, 0, b"ospf") + g.record(13, 3, b"multicast") + g.record(13, 6, b"generic")
        + msg(g.STATE_CHANGE, struct.pack(">HH", 6, 1))), [
        "R 2001:db8:4::/48 65000 2001:db8::9 1 65000p 1"]
    bits = g.rib_record(0, "10.12.0.0/16", [(0, path_attrs([(2, [5])]), 0)])
    bits = bits[:16] + bytes([15, 10, 13]) + bits[19:]  # 10.13.0.0/15: host bit set
    yield "host_bits", g.peer_index_table([PEER4]) + bits, ["R 10.12.0.0/15 64496 192.0.2.7 1 5"]
    yield from damage_cases()


def damage_cases():
    good = rib_file([("10.20.0.0/16", [(0, path_attrs([(2, [1, 2])]), 0)] * 3)])
    entry = struct.pack(">HIH", 0, 0, 4) + b"\x40\x01\x01\x00"
    rec = g.record(13, 2, struct.pack(">I", 1) + g.nlri("10.21.0.0/16") + struct.pack(">H", 3) + entry * 2)
    yield "damage_entry_overrun", good + rec + good, []
    bad_attr = struct.pack(">HIH", 0, 0, 4) + b"\x40\x02\x09\x02"
    unknown_peer = struct.pack(">HIH", 5, 0, 4) + b"\x40\x01\x01\x00"
    rec = g.record(13, 2, struct.pack(">I", 1) + g.nlri("10.22.0.0/16") + struct.pack(">H", 3)
                   + entry + bad_attr + unknown_peer)
    yield "damage_attribute_unknown_peer", good + rec, ["R 10.22.0.0/16 64496 192.0.2.7 1"]
    yield "damage_no_peer_index", good[good.index(b"\x00\x0d\x00\x02") - 4:] + good, []
    yield "damage_cut_in_record", good + good[:-5], []
    yield "damage_cut_in_header", good + good[:7], []
    longer = bytearray(good)
    first_rib = good.index(b"\x00\x0d\x00\x02") - 4
    struct.pack_into(">I", longer, first_rib + 8, struct.unpack_from(">I", good, first_rib + 8)[0] + 3)
    yield "damage_length_off", bytes(longer) + good, []
    yield "damage_absurd_length", good + struct.pack(">IHHI", g.START_TIME, 13, 2, 0xFFFFFF00) + bytes(100), []
    # Over the reader's limit but present: dropped without being held, and
    # the next record is read.
    huge = (16 << 20) + 1
    yield "damage_over_limit", good + struct.pack(">IHHI", g.START_TIME, 13, 2, huge) + bytes(huge) + good, []
    yield "damage_bad_segment", msg(4, g.update(attrs=g.attribute(g.AS_PATH, b"\x07\x01\0\0\0\1"),
                                                announced=g.nlri("10.23.0.0/16"))) + good, []


def reader_lines(bin_dir, path):
    run = subprocess.run([os.path.join(bin_dir, "mrt_routes"), path], stdin=subprocess.DEVNULL,
                         capture_output=True, text=True, check=True)
    lines = []
    for line in run.stdout.splitlines():
        if line.startswith("E "):
            line = " ".join(line.split()[:3])
        if not line.startswith("C "):
            lines.append(line)
    return lines


def compare(bin_dir, path, must):
    ours = reader_lines(bin_dir, path)
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rb") as f:
        theirs = mrt_oracle.read(f.read())
    failures = []
    if ours != theirs:
        for i, (a, b) in enumerate(zip(ours + ["(none)"] * len(theirs), theirs + ["(none)"] * len(ours))):
            if a != b:
                failures.append("%s: line %d: reader %r, oracle %r" % (os.path.basename(path), i + 1, a, b))
                break
    for line in must:
        if line not in theirs:
            failures.append("%s: the oracle lacks %r" % (os.path.basename(path), line))
    return failures, theirs


SHOW = ["--prefixes=show", "--cycles=keep", "--sets=tag", "--prepending=keep", "--privas=tag",
        "--incomplete=tag"]


def sift_view(line):
    """An oracle route as routesift shows it: (prefix, tags, path text), or
    None for a route without a path, which routesift does not print."""
    fields = line.split()
    items = fields[5:]
    if not items:
        return None
    tags = {"I"} if int(fields[4]) & 4 else set()
    groups = []
    for item in items:
        asn = item.rstrip("ps")
        member = "s" in item[len(asn):]
        tags |= {"p"} if "p" in item[len(asn):] else set()
        tags |= {"S"} if member else set()
        if groups and groups[-1][0] == member and member:
            groups[-1][1].append(asn)
        else:
            groups.append((member, [asn]))
    text = " ".join("(%s)" % " ".join(g) if member else g[0] for member, g in groups)
    return fields[1], "".join(sorted(tags)), text


def sift(bin_dir, path, *extra):
    run = subprocess.run([os.path.join(bin_dir, "routesift"), *SHOW, *extra, path], stdin=subprocess.DEVNULL,
                         capture_output=True, text=True)
    routes = []
    for line in run.stdout.splitlines():
        left, prefix = line.split("\t")
        routes.append((prefix.strip(), "".join(sorted(left[:5].replace(" ", ""))), left[6:]))
    errors = [" ".join(["E", m.group(1), m.group(2)])
              for m in re.finditer(r"Parse error in record (\d+) at byte (\d+)", run.stderr)]
    failure = re.search(r"Unable to read input file `[^']*'\n\((.*)\)", run.stderr)
    return routes, errors, failure.group(1) if failure else None, run.returncode


def compare_sift(bin_dir, path, theirs, peers=False):
    """routesift's routes, parse errors and read failure against the oracle's;
    with `peers`, each peer's routes alone."""
    name = os.path.basename(path)
    routes, errors, failure, status = sift(bin_dir, path, "-v")
    want = [v for v in (sift_view(l) for l in theirs if l.startswith("R ")) if v]
    want_failure = next((l[2:] for l in theirs if l.startswith("F ")), None)
    found = []
    if routes != want or not want and any(l.startswith("R ") for l in theirs):
        found.append("%s: routesift shows %d routes, the oracle %d, first difference %r" % (
            name, len(routes), len(want), next((p for p in zip(routes, want) if p[0] != p[1]), None)))
    if errors != [l for l in theirs if l.startswith("E ")]:
        found.append("%s: routesift reports errors %r" % (name, errors))
    if failure != want_failure or status != (2 if want_failure else 0):
        found.append("%s: routesift ends with %r, status %d" % (name, failure, status))
    for peer in sorted({l.split()[3] for l in theirs if l.startswith("R ") and peers}):
        mine = sift(bin_dir, path, "--peer=" + peer)[0]
        want = [v for v in (sift_view(l) for l in theirs if l.startswith("R ") and l.split()[3] == peer) if v]
        if mine != want:
            found.append("%s: --peer=%s gives %d routes, the oracle %d" % (name, peer, len(mine), len(want)))
    return found


def sift_reads_mrt(bin_dir):
    """Whether this routesift is the one that reads MRT (it has --family)."""
    run = subprocess.run([os.path.join(bin_dir, "routesift"), "--help"], stdin=subprocess.DEVNULL,
                         capture_output=True, text=True)
    return "--family" in run.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin-dir", required=True)
    parser.add_argument("--keep")
    args = parser.parse_args()
    failures = []
    check_sift = compare_sift if sift_reads_mrt(args.bin_dir) else lambda *unused: []
    if check_sift is not compare_sift:
        print("routesift does not read MRT yet: only the decoder's own listing is compared")
    with tempfile.TemporaryDirectory() as tmp:
        gen = os.path.join(HERE, "..", "bench", "gen_mrt.py")
        for kind in ("rib", "updates"):
            path = os.path.join(tmp, kind + ".mrt")
            subprocess.run([sys.executable, gen, kind, "--small", "--seed", "5", "-o", path], check=True,
                           stdin=subprocess.DEVNULL)
            with open(path, "rb") as f, gzip.open(path + ".gz", "wb") as z:
                z.write(f.read())
            for p in (path, path + ".gz"):
                found, lines = compare(args.bin_dir, p, [])
                failures += found + check_sift(args.bin_dir, p, lines, not p.endswith(".gz"))
                if len([l for l in lines if l.startswith("R ")]) < 300:
                    failures.append("%s: too few routes" % p)
        for name, data, must in cases():
            path = os.path.join(args.keep if args.keep and len(data) < 65536 else tmp, name + ".mrt")
            with open(path, "wb") as f:
                f.write(data)
            found, lines = compare(args.bin_dir, path, must)
            failures += found + check_sift(args.bin_dir, path, lines)
            if name.startswith("damage") and not any(l.startswith("E ") for l in lines):
                failures.append("%s: no parse error" % name)
    for failure in failures:
        print(failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
