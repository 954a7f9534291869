// Address sets: hand-checked cases at the edges of the address space, and
// random sets compared with two plain models (a bitset over a small window,
// and sorted interval vectors over the whole space).
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "common/iptools.h"

namespace {

using Interval = std::pair<std::uint64_t, std::uint64_t>; // closed, by value
using Intervals = std::vector<Interval>;
using Interval32 = IPSubSpace::IPInterval;

constexpr std::uint64_t top = 0xFFFFFFFFULL;

IPAddress at(std::uint64_t v) { return IPAddress::fromValue(static_cast<std::uint32_t>(v)); }

IPAddress addr(int a, int b, int c, int d) {
    return IPAddress(std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d));
}

IPSubSpace block(std::uint64_t start, int length) { return IPSubSpace(IPPrefix(at(start), IPNetmask(length))); }

// Builds a set holding exactly [first, last] out of single addresses, so
// the construction does not lean on the prefix decomposition under test.
IPSubSpace range(const IPAddress& first, const IPAddress& last) {
    IPSubSpace s;
    for (std::uint64_t v = first.value(); v <= last.value(); ++v) s += IPSubSpace(at(v));
    return s;
}

// The intervals of a set in ascending order, read back from its address list.
Intervals intervalsOf(IPSubSpace& s) {
    Intervals out;
    List<IPAddress> all = s.listAddresses();
    while (!all.isEmpty()) {
        const std::uint64_t v = all.pop().value();
        if (!out.empty() && out.back().second + 1 == v) {
            out.back().second = v;
        } else {
            out.emplace_back(v, v);
        }
    }
    return out;
}

std::vector<std::pair<std::uint64_t, int>> prefixesOf(IPSubSpace& s) {
    std::vector<std::pair<std::uint64_t, int>> out;
    List<IPPrefix> all = s.listPrefixes();
    while (!all.isEmpty()) {
        const IPPrefix p = all.pop();
        out.emplace_back(p.address().value(), p.netmask().brief());
    }
    return out;
}

// ---- model 1: sorted, merged interval vectors over the whole space

Intervals normalize(Intervals v) {
    std::sort(v.begin(), v.end());
    Intervals out;
    for (const Interval& i : v) {
        if (!out.empty() && i.first <= out.back().second + 1) {
            out.back().second = std::max(out.back().second, i.second);
        } else {
            out.push_back(i);
        }
    }
    return out;
}

Intervals modelUnion(const Intervals& a, const Intervals& b) {
    Intervals all = a;
    all.insert(all.end(), b.begin(), b.end());
    return normalize(all);
}

Intervals modelIntersection(const Intervals& a, const Intervals& b) {
    Intervals out;
    for (const Interval& x : a) {
        for (const Interval& y : b) {
            const std::uint64_t lo = std::max(x.first, y.first), hi = std::min(x.second, y.second);
            if (lo <= hi) out.emplace_back(lo, hi);
        }
    }
    return normalize(out);
}

std::uint64_t modelCount(const Intervals& a) {
    std::uint64_t n = 0;
    for (const Interval& i : a) n += i.second - i.first + 1;
    return n;
}

// A set and its model, built from random aligned blocks. The blocks crowd
// round 0.0.0.0, 255.255.255.255 and one middle point so that they overlap,
// touch and leave small gaps.
struct ModelledSet {
    IPSubSpace set;
    Intervals model;
};

ModelledSet randomWideSet(std::mt19937& rng) {
    ModelledSet out;
    const int pieces = int(rng() % 12);
    for (int i = 0; i < pieces; ++i) {
        const int length = rng() % 20 == 0 ? int(rng() % 33) : 20 + int(rng() % 13);
        const std::uint64_t size = std::uint64_t{1} << (32 - length);
        std::uint64_t start = 0;
        switch (rng() % 3) {
        case 0: start = rng() % 0x4000; break;
        case 1: start = top - rng() % 0x4000; break;
        default: start = 0x80000000ULL - 0x2000 + rng() % 0x4000; break;
        }
        start &= ~(size - 1);
        out.set += block(start, length);
        out.model.emplace_back(start, start + size - 1);
    }
    out.model = normalize(out.model);
    return out;
}

// Checks a prefix list against a set's intervals: ascending, disjoint, exact
// cover, and no block could be doubled with its aligned buddy inside the set
// (which is what makes the list the shortest possible).
void expectExactMaximalCover(const std::vector<std::pair<std::uint64_t, int>>& prefixes, const Intervals& set) {
    Intervals covered;
    std::uint64_t previousEnd = 0;
    bool first = true;
    for (const auto& [start, length] : prefixes) {
        const std::uint64_t size = std::uint64_t{1} << (32 - length);
        ASSERT_EQ(start % size, 0u) << "prefix not aligned";
        if (!first) {
            ASSERT_GT(start, previousEnd) << "prefixes overlap or are out of order";
        }
        first = false;
        previousEnd = start + size - 1;
        covered.emplace_back(start, previousEnd);
        if (length > 0) {
            const std::uint64_t parentStart = start & ~(2 * size - 1);
            const Intervals parent{{parentStart, parentStart + 2 * size - 1}};
            ASSERT_NE(modelIntersection(parent, set), parent) << "block " << start << "/" << length << " not maximal";
        }
    }
    ASSERT_EQ(normalize(covered), set);
}

// ---- model 2: a bitset over a 64-address window

constexpr std::size_t windowSize = 64;
using Bits = std::bitset<windowSize>;

// The minimal aligned decomposition, found top-down: a block wholly in the
// set is one prefix, a block partly in it splits into its halves.
void trieDecompose(const Bits& bits, std::uint64_t base, std::uint64_t start, int length,
                   std::vector<std::pair<std::uint64_t, int>>& out) {
    const std::uint64_t size = std::uint64_t{1} << (32 - length);
    const std::uint64_t end = start + size; // exclusive
    if (end <= base || start >= base + windowSize) return;
    const bool inside = start >= base && end <= base + windowSize;
    if (inside) {
        bool all = true, none = true;
        for (std::uint64_t v = start; v < end; ++v) {
            const bool in = bits[std::size_t(v - base)];
            all = all && in;
            none = none && !in;
        }
        if (none) return;
        if (all) {
            out.emplace_back(start, length);
            return;
        }
    }
    trieDecompose(bits, base, start, length + 1, out);
    trieDecompose(bits, base, start + size / 2, length + 1, out);
}

struct WindowSet {
    IPSubSpace set;
    Bits bits;
};

WindowSet randomWindowSet(std::mt19937& rng, std::uint64_t base) {
    WindowSet out;
    const int pieces = int(rng() % 8);
    for (int i = 0; i < pieces; ++i) {
        const std::uint64_t offset = rng() % windowSize;
        if (rng() % 2 == 0) {
            out.set += IPSubSpace(at(base + offset));
            out.bits.set(offset);
        } else {
            // A small prefix that may stick out of the window: the set is cut back
            // to the window by intersecting with it below.
            const int length = 28 + int(rng() % 5);
            const std::uint64_t size = std::uint64_t{1} << (32 - length);
            const std::uint64_t start = (base + offset) & ~(size - 1);
            out.set += block(start, length);
            for (std::uint64_t v = start; v < start + size; ++v) {
                if (v >= base && v < base + windowSize) out.bits.set(std::size_t(v - base));
            }
        }
    }
    IPSubSpace window = range(at(base), at(base + windowSize - 1));
    out.set *= window;
    return out;
}

Bits bitsOf(IPSubSpace& s, std::uint64_t base) {
    Bits bits;
    List<IPAddress> all = s.listAddresses();
    while (!all.isEmpty()) {
        const std::uint64_t v = all.pop().value();
        EXPECT_TRUE(v >= base && v < base + windowSize) << "address outside the window: " << v;
        if (v >= base && v < base + windowSize) bits.set(std::size_t(v - base));
    }
    return bits;
}

bool properSubset(const Bits& a, const Bits& b) { return (a & ~b).none() && a != b; }

} // namespace

TEST(IPSubSpace, UnionMergesOverlappingAdjacentAndContainedIntervals) {
    const IPSubSpace a = range(addr(10, 0, 0, 0), addr(10, 0, 0, 5));
    IPSubSpace overlap = a + range(addr(10, 0, 0, 3), addr(10, 0, 0, 8));
    EXPECT_EQ(overlap.addresses(), 9u);
    EXPECT_EQ(intervalsOf(overlap), (Intervals{{0x0A000000, 0x0A000008}}));
    IPSubSpace adjacent = a.join(range(addr(10, 0, 0, 6), addr(10, 0, 0, 8)));
    EXPECT_EQ(adjacent.addresses(), 9u);
    EXPECT_EQ(adjacent, overlap);
    IPSubSpace contained = range(addr(10, 0, 0, 0), addr(10, 0, 0, 9)) + range(addr(10, 0, 0, 2), addr(10, 0, 0, 3));
    EXPECT_EQ(contained.addresses(), 10u);
    EXPECT_EQ(intervalsOf(contained), (Intervals{{0x0A000000, 0x0A000009}}));

    IPSubSpace left = range(addr(1, 0, 0, 1), addr(1, 0, 0, 2)) + range(addr(1, 0, 0, 10), addr(1, 0, 0, 12));
    IPSubSpace right = range(addr(1, 0, 0, 3), addr(1, 0, 0, 4)) + range(addr(1, 0, 0, 20), addr(1, 0, 0, 22));
    IPSubSpace both = left + right;
    EXPECT_EQ(both.addresses(), 10u);
    EXPECT_EQ(intervalsOf(both), (Intervals{{0x01000001, 0x01000004}, {0x0100000A, 0x0100000C},
                                            {0x01000014, 0x01000016}}));
    EXPECT_EQ(left.addresses(), 5u) << "operands are unchanged";
}

TEST(IPSubSpace, IntersectionKeepsOnlyCommonAddresses) {
    const IPSubSpace wide = range(addr(1, 0, 0, 1), addr(1, 0, 0, 10));
    IPSubSpace two = range(addr(1, 0, 0, 2), addr(1, 0, 0, 3)) + range(addr(1, 0, 0, 5), addr(1, 0, 0, 6));
    IPSubSpace cut = wide * two;
    EXPECT_EQ(cut.addresses(), 4u);
    EXPECT_EQ(cut, two);

    IPSubSpace split = range(addr(1, 0, 0, 1), addr(1, 0, 0, 2)) + range(addr(1, 0, 0, 5), addr(1, 0, 0, 8));
    IPSubSpace mid = split.intersect(range(addr(1, 0, 0, 6), addr(1, 0, 0, 7)));
    EXPECT_EQ(intervalsOf(mid), (Intervals{{0x01000006, 0x01000007}}));

    IPSubSpace none = wide * range(addr(2, 0, 0, 0), addr(2, 0, 0, 3));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.addresses(), 0u);
    EXPECT_TRUE((wide * IPSubSpace()).isEmpty());
    EXPECT_TRUE((IPSubSpace() * wide).isEmpty());
}

TEST(IPSubSpace, InclusionIsProperAndEqualityIgnoresHowASetWasBuilt) {
    const IPSubSpace net = block(0xC0000200, 24);
    const IPSubSpace host(addr(192, 0, 2, 7));
    const IPSubSpace half = block(0xC0000280, 25);
    EXPECT_TRUE(net.includes(host));
    EXPECT_TRUE(net.includes(half));
    EXPECT_FALSE(net.includes(net));
    EXPECT_FALSE(net.includes(IPSubSpace(net)));
    EXPECT_TRUE(host.isIncluded(net));
    EXPECT_TRUE(half.isIncluded(net));
    EXPECT_FALSE(net.isIncluded(net));
    EXPECT_FALSE(half.includes(net));
    // Same size is never proper; more addresses elsewhere is not inclusion.
    EXPECT_FALSE(net.includes(block(0x0A000000, 24)));
    EXPECT_FALSE(block(0x0A000000, 16).includes(half));

    const IPSubSpace halves = block(0x0A000000, 25) + block(0x0A000080, 25);
    EXPECT_EQ(halves, block(0x0A000000, 24));
    EXPECT_NE(halves, block(0x0A000100, 24)) << "same count, other addresses";
    EXPECT_NE(halves, block(0x0A000000, 25));
    EXPECT_EQ(IPSubSpace(), IPSubSpace());
}

TEST(IPSubSpace, EndsOfTheAddressSpaceDoNotWrap) {
    // 255.255.255.255 and 0.0.0.0 are not neighbours.
    IPSubSpace ends = block(0, 30) + block(0xFFFFFFFC, 30);
    EXPECT_EQ(ends.addresses(), 8u);
    EXPECT_EQ(intervalsOf(ends), (Intervals{{0, 3}, {0xFFFFFFFC, 0xFFFFFFFF}}));
    EXPECT_EQ(prefixesOf(ends), (std::vector<std::pair<std::uint64_t, int>>{{0, 30}, {0xFFFFFFFC, 30}}));

    IPSubSpace topTwo = range(addr(255, 255, 255, 254), addr(255, 255, 255, 255));
    List<IPAddress> listed = topTwo.listAddresses();
    ASSERT_EQ(listed.len(), 2u);
    EXPECT_EQ(listed.first(), addr(255, 255, 255, 254));
    EXPECT_EQ(listed.last(), addr(255, 255, 255, 255));

    // Everything but the last address, from blocks of every length /1 to /32,
    // then the last address: the whole space.
    IPSubSpace allButLast;
    for (int length = 1; length <= 32; ++length) {
        allButLast += block((std::uint64_t{1} << 32) - (std::uint64_t{1} << (33 - length)), length);
    }
    EXPECT_EQ(allButLast.addresses(), 4294967295ULL);
    const IPSubSpace whole = allButLast + IPSubSpace(addr(255, 255, 255, 255));
    EXPECT_EQ(whole.addresses(), 4294967296ULL);
    EXPECT_EQ(whole, IPSubSpace(IPPrefix()));
    IPSubSpace wholeCopy = whole;
    EXPECT_EQ(prefixesOf(wholeCopy), (std::vector<std::pair<std::uint64_t, int>>{{0, 0}}));
    EXPECT_EQ(prefixesOf(allButLast).size(), 32u);
    EXPECT_TRUE(whole.includes(allButLast));
    EXPECT_TRUE(allButLast.isIncluded(whole));
    EXPECT_EQ(whole * allButLast, allButLast);
    EXPECT_EQ(whole * block(0xFFFFFFFF, 32), block(0xFFFFFFFF, 32));
    EXPECT_EQ(whole * block(0, 32), block(0, 32));
}

TEST(IPSubSpace, PrefixDecomposition) {
    using Prefixes = std::vector<std::pair<std::uint64_t, int>>;
    IPSubSpace odd = range(at(5), at(12));
    EXPECT_EQ(prefixesOf(odd), (Prefixes{{5, 32}, {6, 31}, {8, 30}, {12, 32}}));
    IPSubSpace three = range(at(0), at(2));
    EXPECT_EQ(prefixesOf(three), (Prefixes{{0, 31}, {2, 32}}));
    IPSubSpace net = block(0x0A000000, 24);
    EXPECT_EQ(prefixesOf(net), (Prefixes{{0x0A000000, 24}}));
    IPSubSpace empty;
    EXPECT_TRUE(empty.listPrefixes().isEmpty());
    EXPECT_TRUE(empty.listAddresses().isEmpty());

    // A classful prefix keeps its host address, so its set starts there.
    IPSubSpace classful{IPPrefix(addr(192, 0, 2, 7))};
    EXPECT_EQ(classful.addresses(), 256u);
    EXPECT_EQ(intervalsOf(classful), (Intervals{{0xC0000207, 0xC0000306}}));
    const Prefixes expected{{0xC0000207, 32}, {0xC0000208, 29}, {0xC0000210, 28}, {0xC0000220, 27},
                            {0xC0000240, 26}, {0xC0000280, 25}, {0xC0000300, 30}, {0xC0000304, 31},
                            {0xC0000306, 32}};
    EXPECT_EQ(prefixesOf(classful), expected);
}

TEST(IPSubSpace, CopiesAssignmentsAndSelfOperations) {
    IPSubSpace a = block(0x0A000000, 30) + block(0x0A000010, 31);
    EXPECT_EQ(a.addresses(), 6u);
    List<IPAddress>& listing = a.listAddresses();
    ASSERT_EQ(listing.len(), 6u);

    a = block(0x14000000, 32);
    EXPECT_EQ(a.addresses(), 1u);
    EXPECT_EQ(listing.len(), 6u) << "assignment leaves the old listing in place";
    EXPECT_EQ(a.listAddresses().len(), 1u);

    IPSubSpace b = block(0x0A000000, 30) + block(0x0A000010, 31);
    const IPSubSpace copy(b);
    EXPECT_EQ(copy, b);
    b += block(0x0B000000, 32);
    EXPECT_EQ(copy.addresses(), 6u) << "a copy does not share its intervals";
    EXPECT_EQ(b.addresses(), 7u);

    EXPECT_EQ(b + b, b);
    EXPECT_EQ(b * b, b);
    EXPECT_TRUE(b == b);
    EXPECT_FALSE(b != b);
    EXPECT_FALSE(b.includes(b));
    b += b;
    EXPECT_EQ(b.addresses(), 7u);
    b *= b;
    EXPECT_EQ(b.addresses(), 7u);
    IPSubSpace& alias = b;
    b = alias;
    EXPECT_EQ(b.addresses(), 7u);

    IPSubSpace moved(std::move(b));
    EXPECT_EQ(moved.addresses(), 7u);
    EXPECT_EQ(intervalsOf(moved), (Intervals{{0x0A000000, 0x0A000003}, {0x0A000010, 0x0A000011},
                                             {0x0B000000, 0x0B000000}}));
}

TEST(IPSubSpace, RandomWideSetsAgreeWithIntervalModel) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        ModelledSet a = randomWideSet(rng);
        ModelledSet b = randomWideSet(rng);
        ASSERT_EQ(a.set.addresses(), modelCount(a.model));
        ASSERT_EQ(a.set.isEmpty(), a.model.empty());
        const Intervals unionModel = modelUnion(a.model, b.model);
        const Intervals interModel = modelIntersection(a.model, b.model);

        IPSubSpace u = a.set + b.set;
        IPSubSpace i = a.set * b.set;
        ASSERT_EQ(u.addresses(), modelCount(unionModel));
        ASSERT_EQ(i.addresses(), modelCount(interModel));
        // Listing every address of a wide set is too slow; the prefix list pins
        // the intervals down just as well once it is checked to be exact.
        ASSERT_NO_FATAL_FAILURE(expectExactMaximalCover(prefixesOf(u), unionModel)) << "round " << round;
        ASSERT_NO_FATAL_FAILURE(expectExactMaximalCover(prefixesOf(i), interModel)) << "round " << round;

        ASSERT_EQ(a.set == b.set, a.model == b.model);
        ASSERT_EQ(a.set != b.set, a.model != b.model);
        const bool aInB = interModel == a.model && a.model != b.model;
        const bool bInA = interModel == b.model && a.model != b.model;
        ASSERT_EQ(a.set.isIncluded(b.set), aInB);
        ASSERT_EQ(b.set.includes(a.set), aInB);
        ASSERT_EQ(a.set.includes(b.set), bInA);
        ASSERT_TRUE(u.includes(a.set) || u == a.set);

        IPSubSpace inPlace = a.set;
        inPlace += b.set;
        ASSERT_EQ(inPlace, u);
        inPlace *= b.set;
        ASSERT_EQ(inPlace, b.set);
    }
}

TEST(IPSubSpace, RandomWindowSetsAgreeWithBitsetModel) {
    std::mt19937 rng(42);
    // Windows at the bottom and top of the space and one straddling an octet carry.
    for (const std::uint64_t base : {std::uint64_t{0}, top + 1 - windowSize, std::uint64_t{0x0A0000E0}}) {
        for (int round = 0; round < 1500; ++round) {
            WindowSet a = randomWindowSet(rng, base);
            WindowSet b = randomWindowSet(rng, base);
            ASSERT_EQ(bitsOf(a.set, base), a.bits);
            ASSERT_EQ(a.set.addresses(), a.bits.count());

            IPSubSpace u = a.set.join(b.set);
            IPSubSpace i = a.set.intersect(b.set);
            ASSERT_EQ(bitsOf(u, base), a.bits | b.bits);
            ASSERT_EQ(u.addresses(), (a.bits | b.bits).count());
            ASSERT_EQ(bitsOf(i, base), a.bits & b.bits);
            ASSERT_EQ(i.addresses(), (a.bits & b.bits).count());
            ASSERT_EQ(i.isEmpty(), (a.bits & b.bits).none());

            ASSERT_EQ(a.set == b.set, a.bits == b.bits);
            ASSERT_EQ(a.set.includes(b.set), properSubset(b.bits, a.bits));
            ASSERT_EQ(a.set.isIncluded(b.set), properSubset(a.bits, b.bits));

            std::vector<std::pair<std::uint64_t, int>> expected;
            trieDecompose(a.bits, base, 0, 0, expected);
            ASSERT_EQ(prefixesOf(a.set), expected) << "round " << round << " base " << base;
        }
    }
}
