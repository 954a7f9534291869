#!/usr/bin/env python3
"""An independent MRT reader, written plainly from RFC 6396 (MRT), RFC 4271
(UPDATE, path attributes), RFC 4760 (MP_REACH/MP_UNREACH_NLRI), RFC 6793
(AS4_PATH), RFC 8050 (ADD-PATH) and RFC 7911 (path identifiers in NLRI).

It prints what routesift's MRT reader should find, one line each:
    R <prefix> <peer AS> <peer address> <origin bits> <path>
    E <record number> <byte offset>
    F <reason>
with path items as the AS number, "p" when private or in a confederation
segment, "s" when in a set. Whole-file, exception-driven and slow on purpose:
nothing in it is shared with the reader under test.
"""
import ipaddress
import struct
import sys

MAX_BODY = 16 << 20
AS_TRANS = 23456
ORIGIN_BITS = {0: 1, 1: 2, 2: 4}


class Damage(Exception):
    pass


class Reader:
    """Bounds-checked big-endian reads over bytes; Damage past the end."""

    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise Damage()
        piece = self.data[self.pos:self.pos + n]
        self.pos += n
        return piece

    def int(self, n):
        return int.from_bytes(self.take(n), "big")

    def rest(self):
        return self.take(len(self.data) - self.pos)

    def done(self):
        return self.pos == len(self.data)


def private(asn):
    return 64512 <= asn <= 65535 or asn >= 4200000000


def prefix_text(afi, raw, length):
    size = 4 if afi == 1 else 16
    if length > 8 * size:
        raise Damage()
    value = int.from_bytes(raw.ljust(size, b"\0"), "big")
    value &= ((1 << (8 * size)) - 1) ^ ((1 << (8 * size - length)) - 1)
    cls = ipaddress.IPv4Network if afi == 1 else ipaddress.IPv6Network
    return str(cls((value, length)))


def nlri_prefixes(data, afi, path_ids):
    r = Reader(data)
    while not r.done():
        if path_ids:
            r.take(4)
        length = r.int(1)
        if length > (32 if afi == 1 else 128):
            raise Damage()
        yield prefix_text(afi, r.take((length + 7) // 8), length)


def attributes(data):
    """The first value of each attribute type."""
    found = {}
    r = Reader(data)
    while not r.done():
        flags, code = r.int(1), r.int(1)
        value = r.take(r.int(2 if flags & 0x10 else 1))
        found.setdefault(code, value)
    return found


def segments(value, width):
    r = Reader(value)
    out = []
    while not r.done():
        kind, count = r.int(1), r.int(1)
        if kind not in (1, 2, 3, 4):
            raise Damage()
        out.append((kind, [r.int(width) for _ in range(count)]))
    return out


def path_length(segs):
    return sum(0 if kind in (3, 4) else (1 if kind == 1 and asns else len(asns) if kind == 2 else 0)
               for kind, asns in segs)


def merged_path(attrs, width):
    """RFC 6793 4.2.3: the leading part of AS_PATH, then AS4_PATH."""
    path = segments(attrs.get(2, b""), width)
    if 17 not in attrs or not (width == 2 or any(AS_TRANS in asns for _, asns in path)):
        return path
    path4 = [s for s in segments(attrs[17], 4) if s[0] not in (3, 4)]
    n, n4 = path_length(path), path_length(path4)
    if n4 > n:
        return path
    keep, out = n - n4, []
    for kind, asns in path:
        if keep <= 0:
            break
        if kind == 2:
            asns = asns[:keep]
            keep -= len(asns)
        elif kind == 1:
            keep -= 1 if asns else 0
        out.append((kind, asns))
    return out + path4


def path_text(segs):
    items = []
    for kind, asns in segs:
        for asn in asns:
            text = str(asn)
            if kind in (3, 4) or private(asn):
                text += "p"
            if kind in (1, 4):
                text += "s"
            items.append(text)
    return " ".join(items)


def route_line(prefix, peer, attrs, width):
    segs = merged_path(attrs, width)
    origin = attrs.get(1, b"")
    bits = ORIGIN_BITS.get(origin[0], 0) if len(origin) == 1 else 0
    line = "R %s %d %s %d" % (prefix, peer[1], peer[0], bits)
    text = path_text(segs)
    return line + (" " + text if text else "")


class Archive:
    def __init__(self):
        self.peers = None
        self.out = []

    def error(self, number, offset):
        self.out.append("E %d %d" % (number, offset))

    def peer_index(self, body):
        self.peers = None
        r = Reader(body)
        r.take(4)
        r.take(r.int(2))
        peers = []
        for _ in range(r.int(2)):
            kind = r.int(1)
            r.take(4)
            address = ipaddress.ip_address(r.take(16 if kind & 1 else 4))
            peers.append((str(address), r.int(4 if kind & 2 else 2)))
        if not r.done():
            raise Damage()
        self.peers = peers

    def rib(self, body, afi, addpath, where):
        if self.peers is None:
            raise Damage()
        r = Reader(body)
        r.take(4)
        length = r.int(1)
        if length > (32 if afi == 1 else 128):
            raise Damage()
        prefix = prefix_text(afi, r.take((length + 7) // 8), length)
        for _ in range(r.int(2)):
            index = r.int(2)
            r.take(4)
            if addpath:
                r.take(4)
            block = r.take(r.int(2))
            try:
                if index >= len(self.peers):
                    raise Damage()
                attrs = attributes(block)
                self.out.append(route_line(prefix, self.peers[index], attrs, 4))
            except Damage:
                self.error(*where)
        if not r.done():
            raise Damage()

    def table_dump(self, body, afi):
        size = 4 if afi == 1 else 16
        r = Reader(body)
        r.take(4)
        raw = r.take(size)
        length = r.int(1)
        r.take(5)
        peer = (str(ipaddress.ip_address(r.take(size))), r.int(2))
        block = r.take(r.int(2))
        if not r.done() or length > 8 * size:
            raise Damage()
        self.out.append(route_line(prefix_text(afi, raw, length), peer, attributes(block), 2))

    def bgp4mp(self, body, subtype):
        if subtype in (0, 5) or subtype not in (1, 4, 6, 7, 8, 9, 10, 11):
            return
        width = 4 if subtype in (4, 7, 9, 11) else 2
        addpath = subtype >= 8
        r = Reader(body)
        peer_as = r.int(width)
        r.int(width)
        r.take(2)
        afi = r.int(2)
        if afi not in (1, 2):
            raise Damage()
        peer = (str(ipaddress.ip_address(r.take(4 if afi == 1 else 16))), peer_as)
        r.take(4 if afi == 1 else 16)
        r.take(16)
        length, kind = r.int(2), r.int(1)
        if length < 19:
            raise Damage()
        message = r.take(length - 19)
        if not r.done():
            raise Damage()
        if kind == 2:
            self.update(message, peer, width, addpath)

    def update(self, message, peer, width, addpath):
        r = Reader(message)
        withdrawn = r.take(r.int(2))
        attrs = attributes(r.take(r.int(2)))
        announced = r.rest()
        list(nlri_prefixes(withdrawn, 1, addpath))
        if 15 in attrs:
            u = Reader(attrs[15])
            afi, safi = u.int(2), u.int(1)
            if afi in (1, 2) and safi == 1:
                list(nlri_prefixes(u.rest(), afi, addpath))
        fields = []
        if 14 in attrs:
            m = Reader(attrs[14])
            afi, safi = m.int(2), m.int(1)
            m.take(m.int(1))
            m.take(1)
            if afi in (1, 2) and safi == 1:
                fields.append((m.rest(), afi))
        fields.append((announced, 1))
        if not any(data for data, _ in fields):
            return
        merged_path(attrs, width)  # a damaged path spoils every prefix
        for data, afi in fields:
            for prefix in nlri_prefixes(data, afi, addpath):
                self.out.append(route_line(prefix, peer, attrs, width))

    def record(self, rtype, subtype, body, where):
        if rtype in (17, 33, 49):
            if len(body) < 4:
                raise Damage()
            body = body[4:]
        if rtype == 13:
            if subtype == 1:
                self.peer_index(body)
            elif subtype in (2, 4, 8, 10):
                self.rib(body, 1 if subtype in (2, 8) else 2, subtype >= 8, where)
        elif rtype == 12 and subtype in (1, 2):
            self.table_dump(body, subtype)
        elif rtype in (16, 17):
            self.bgp4mp(body, subtype)


def read(data):
    archive = Archive()
    offset, number = 0, 0
    while offset < len(data):
        number += 1
        if len(data) - offset < 12:
            archive.error(number, offset)
            archive.out.append("F truncated MRT record")
            break
        _, rtype, subtype, length = struct.unpack(">IHHI", data[offset:offset + 12])
        end = offset + 12 + length
        if end > len(data):
            archive.error(number, offset)
            archive.out.append("F truncated MRT record")
            break
        if length > MAX_BODY:
            archive.error(number, offset)
        else:
            try:
                archive.record(rtype, subtype, data[offset + 12:end], (number, offset))
            except Damage:
                archive.error(number, offset)
        offset = end
    return archive.out


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    sys.stdout.write("".join(line + "\n" for line in read(data)))


if __name__ == "__main__":
    main()
