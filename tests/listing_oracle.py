#!/usr/bin/env python3
"""Checks `routesift --modern` route by route against the generator's record
of a random listing (bench/gen_bgpdump.py --truth): every route comes out, in
the listing's order, with its own prefix and its own path, and nothing else.
With --mixed (an IPv4 table, then an IPv6 one), --family=ipv4 and
--family=ipv6 must each give exactly the routes of their table. With
--misaligned (rows off their captions), a route may instead be reported as a
parse error, but never written with another prefix or path: the routes
written are the listing's in order, and each one left out is one reported.

    listing_oracle.py --bin-dir build --routes 20000 [--ipv6 | --mixed | --misaligned F] [generator options...]
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


def actual(routesift, listing, settings, reports=None):
    """The routes written; with `reports` (a list), the parse errors reported
    with -v are appended to it instead of being a failure to show."""
    verbose = ["-v"] if reports is not None else []
    run = subprocess.run([routesift] + KEEP_ALL + verbose + settings + [listing], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    if reports is not None:
        reports.extend(l for l in run.stderr.decode(errors="replace").splitlines() if l.startswith("Parse error"))
    elif run.stderr.strip() != b"":
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


def compare_reported(what, want, got, reports):
    """got must be want without some routes, each of them reported."""
    at = 0
    for i, g in enumerate(got):
        while at < len(want) and want[at] != g:
            at += 1
        if at == len(want):
            print("%s: route %d written as %r, which the listing does not hold there" % (what, i + 1, g))
            return False
        at += 1
    left_out = len(want) - len(got)
    if left_out != len(reports):
        print("%s: %d routes left out, %d parse errors reported" % (what, left_out, len(reports)))
        return False
    print("%s: %d routes agree, %d reported" % (what, len(got), left_out))
    return True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin-dir", required=True)
    ap.add_argument("--mixed", action="store_true")
    ap.add_argument("--misaligned", help="share of rows off their captions")
    args, generator = ap.parse_known_args()
    routesift = os.path.join(os.path.abspath(args.bin_dir), "routesift")
    here = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory(prefix="listing-oracle-") as work:
        listing = os.path.join(work, "table.txt")
        truth = os.path.join(work, "truth.txt")
        subprocess.run([sys.executable, os.path.join(here, "..", "bench", "gen_bgpdump.py"), "-o", listing,
                        "--truth", truth] + (["--mixed"] if args.mixed else []) +
                       (["--misaligned", args.misaligned] if args.misaligned else []) + generator, check=True)
        if args.misaligned:
            reports = []
            got = actual(routesift, listing, [], reports)
            return 0 if compare_reported("rows off their captions", expected(truth), got, reports) else 1
        ok = compare("all routes", expected(truth), actual(routesift, listing, []))
        if args.mixed:
            for family in ("ipv4", "ipv6"):
                ok = compare("--family=" + family, expected(truth, family),
                             actual(routesift, listing, ["--family=" + family])) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
