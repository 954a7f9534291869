#!/usr/bin/env python3
"""Checks `routesift --modern` route by route against the generator's record
of a random listing (bench/gen_bgpdump.py --truth): every route comes out, in
the listing's order, with its own prefix and its own path, and nothing else.
With --mixed (an IPv4 table, then an IPv6 one), --family=ipv4 and
--family=ipv6 must each give exactly the routes of their table.

    listing_oracle.py --bin-dir build --routes 20000 [--ipv6 | --mixed] [generator options...]
"""
import argparse
import os
import subprocess
import sys
import tempfile

KEEP_ALL = ["--modern", "--prepending=keep", "--privas=keep", "--cycles=keep", "--sets=tag",
            "--incomplete=keep", "--prefixes=show"]
TAGS = 6  # the tag column --sets=tag puts before each path


def as_plain(token):
    high, dot, low = token.partition(".")
    return str(int(high) * 65536 + int(low)) if dot else str(int(token))


def written_path(printed):
    """The path as routesift writes it with KEEP_ALL: no origin code, no
    confederation parentheses, sets in parentheses, asplain."""
    items = []
    for token in printed.split()[:-1]:
        if token.startswith("{"):
            items.append("(" + " ".join(as_plain(m) for m in token.strip("{}").split(",")) + ")")
        else:
            items.append(as_plain(token.strip("()")))
    return " ".join(items)


def expected(truth, family=None):
    routes = []
    with open(truth) as f:
        for line in f:
            prefix, printed = line.rstrip("\n").split("\t")
            if family is None or (":" in prefix) == (family == "ipv6"):
                routes.append((prefix, written_path(printed)))
    return routes


def actual(routesift, listing, settings):
    run = subprocess.run([routesift] + KEEP_ALL + settings + [listing], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    if run.stderr.strip() != b"":
        print("routesift said: " + run.stderr.decode(errors="replace").strip())
    routes = []
    for line in run.stdout.decode().splitlines():
        path, _, prefixes = line.partition("\t")
        routes.append((prefixes.strip(), path[TAGS:]))
    return routes


def compare(what, want, got):
    for i, (w, g) in enumerate(zip(want, got)):
        if w != g:
            print("%s: route %d: expected %r, routesift wrote %r" % (what, i + 1, w, g))
            return False
    if len(want) != len(got):
        print("%s: expected %d routes, routesift wrote %d" % (what, len(want), len(got)))
        return False
    print("%s: %d routes agree" % (what, len(want)))
    return True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin-dir", required=True)
    ap.add_argument("--mixed", action="store_true")
    args, generator = ap.parse_known_args()
    routesift = os.path.join(os.path.abspath(args.bin_dir), "routesift")
    here = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory(prefix="listing-oracle-") as work:
        listing = os.path.join(work, "table.txt")
        truth = os.path.join(work, "truth.txt")
        subprocess.run([sys.executable, os.path.join(here, "..", "bench", "gen_bgpdump.py"), "-o", listing,
                        "--truth", truth] + (["--mixed"] if args.mixed else []) + generator, check=True)
        ok = compare("all routes", expected(truth), actual(routesift, listing, []))
        if args.mixed:
            for family in ("ipv4", "ipv6"):
                ok = compare("--family=" + family, expected(truth, family),
                             actual(routesift, listing, ["--family=" + family])) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
