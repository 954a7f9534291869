// Address sets: hand-checked cases at the edges of the address space, and
// random sets compared with a plain model, a bitset over a small window.
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
using Prefixes = std::vector<std::pair<std::uint64_t, int>>; // start, length

constexpr std::uint64_t top = 0xFFFFFFFFULL;

IPAddress at(std::uint64_t v) { return IPAddress::fromValue(static_cast<std::uint32_t>(v)); }

IPAddress addr(int a, int b, int c, int d)
{
    return IPAddress(std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d));
}

IPSubSpace block(std::uint64_t start, int length) { return IPSubSpace(IPPrefix(at(start), IPNetmask(length))); }

// Builds a set holding exactly [first, last] out of single addresses, so
// the construction does not lean on the prefix decomposition under test.
IPSubSpace range(const IPAddress& first, const IPAddress& last)
{
    IPSubSpace s;
    for (std::uint64_t v = first.value(); v <= last.value(); ++v)
        s += IPSubSpace(at(v));
    return s;
}

// The intervals of a set in ascending order, read back from its address list.
Intervals intervalsOf(IPSubSpace& s)
{
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

Prefixes prefixesOf(IPSubSpace& s)
{
    Prefixes out;
    List<IPPrefix> all = s.listPrefixes();
    while (!all.isEmpty()) {
        const IPPrefix p = all.pop();
        out.emplace_back(p.address().value(), p.netmask().brief());
    }
    return out;
}

// ---- the model: a bitset over a 64-address window

constexpr std::size_t windowSize = 64;
using Bits = std::bitset<windowSize>;

// The minimal aligned decomposition, found top-down: a block wholly in the
// set is one prefix, a block partly in it splits into its halves.
void trieDecompose(const Bits& bits, std::uint64_t base, std::uint64_t start, int length, Prefixes& out)
{
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

WindowSet randomWindowSet(std::mt19937& rng, std::uint64_t base)
{
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

Bits bitsOf(IPSubSpace& s, std::uint64_t base)
{
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

TEST(IPSubSpace, UnionAndIntersectionOfHandPickedSets)
{
    const IPSubSpace a = range(at(0x0A000000), at(0x0A000005));
    IPSubSpace overlap = a + range(at(0x0A000003), at(0x0A000008));
    EXPECT_EQ(overlap.addresses(), 9u);
    EXPECT_EQ(intervalsOf(overlap), (Intervals{{0x0A000000, 0x0A000008}}));
    EXPECT_EQ(a.join(range(at(0x0A000006), at(0x0A000008))), overlap) << "adjacent intervals merge";
    IPSubSpace contained = range(at(0x0A000000), at(0x0A000009)) + range(at(0x0A000002), at(0x0A000003));
    EXPECT_EQ(intervalsOf(contained), (Intervals{{0x0A000000, 0x0A000009}}));
    IPSubSpace left = range(at(0x01000001), at(0x01000002)) + range(at(0x0100000A), at(0x0100000C));
    IPSubSpace right = range(at(0x01000003), at(0x01000004)) + range(at(0x01000014), at(0x01000016));
    IPSubSpace both = left + right;
    EXPECT_EQ(both.addresses(), 10u);
    EXPECT_EQ(intervalsOf(both),
              (Intervals{{0x01000001, 0x01000004}, {0x0100000A, 0x0100000C}, {0x01000014, 0x01000016}}));

    IPSubSpace two = range(at(0x01000002), at(0x01000003)) + range(at(0x01000005), at(0x01000006));
    EXPECT_EQ(range(at(0x01000001), at(0x0100000A)) * two, two);
    IPSubSpace mid = (range(at(0x01000001), at(0x01000002)) + range(at(0x01000005), at(0x01000008)))
                         .intersect(range(at(0x01000006), at(0x01000007)));
    EXPECT_EQ(intervalsOf(mid), (Intervals{{0x01000006, 0x01000007}}));
    EXPECT_TRUE((left * right).isEmpty());
    EXPECT_EQ((left * right).addresses(), 0u);
    EXPECT_TRUE((left * IPSubSpace()).isEmpty());
    EXPECT_EQ(IPSubSpace() + left, left);
}

TEST(IPSubSpace, InclusionIsProperAndEqualityIgnoresHowASetWasBuilt)
{
    const IPSubSpace net = block(0xC0000200, 24), host(addr(192, 0, 2, 7)), half = block(0xC0000280, 25);
    EXPECT_TRUE(net.includes(host));
    EXPECT_TRUE(net.includes(half));
    EXPECT_FALSE(net.includes(net));
    EXPECT_TRUE(host.isIncluded(net));
    EXPECT_TRUE(half.isIncluded(net));
    EXPECT_FALSE(net.isIncluded(net));
    EXPECT_FALSE(block(0x0A000000, 16).includes(half)) << "bigger but elsewhere";

    const IPSubSpace halves = block(0x0A000000, 25) + block(0x0A000080, 25);
    EXPECT_EQ(halves, block(0x0A000000, 24));
    EXPECT_NE(halves, block(0x0A000100, 24)) << "same count, other addresses";
    EXPECT_NE(halves, block(0x0A000000, 25));
}

TEST(IPSubSpace, EndsOfTheAddressSpaceDoNotWrap)
{
    // 255.255.255.255 and 0.0.0.0 are not neighbours.
    IPSubSpace ends = block(0, 30) + block(top - 3, 30);
    EXPECT_EQ(intervalsOf(ends), (Intervals{{0, 3}, {top - 3, top}}));
    EXPECT_EQ(prefixesOf(ends), (Prefixes{{0, 30}, {top - 3, 30}}));

    // Everything but the last address, from blocks of every length /1 to /32,
    // then the last address: the whole space.
    IPSubSpace allButLast;
    for (int length = 1; length <= 32; ++length) {
        allButLast += block(top + 1 - (std::uint64_t{1} << (33 - length)), length);
    }
    EXPECT_EQ(allButLast.addresses(), top);
    EXPECT_EQ(prefixesOf(allButLast).size(), 32u);
    IPSubSpace whole = allButLast + IPSubSpace(at(top));
    EXPECT_EQ(whole.addresses(), top + 1);
    EXPECT_EQ(whole, IPSubSpace(IPPrefix()));
    EXPECT_EQ(prefixesOf(whole), (Prefixes{{0, 0}}));
    EXPECT_TRUE(whole.includes(allButLast));
    EXPECT_EQ(whole * allButLast, allButLast);
    EXPECT_EQ(whole * block(top, 32), block(top, 32));
}

TEST(IPSubSpace, PrefixDecomposition)
{
    IPSubSpace odd = range(at(5), at(12)), three = range(at(0), at(2)), net = block(0x0A000000, 24), empty;
    EXPECT_EQ(prefixesOf(odd), (Prefixes{{5, 32}, {6, 31}, {8, 30}, {12, 32}}));
    EXPECT_EQ(prefixesOf(three), (Prefixes{{0, 31}, {2, 32}}));
    EXPECT_EQ(prefixesOf(net), (Prefixes{{0x0A000000, 24}}));
    EXPECT_TRUE(empty.listPrefixes().isEmpty());
    EXPECT_TRUE(empty.listAddresses().isEmpty());
    // A classful prefix keeps its host address, so its set starts there.
    IPSubSpace classful{IPPrefix(addr(192, 0, 2, 7))};
    EXPECT_EQ(intervalsOf(classful), (Intervals{{0xC0000207, 0xC0000306}}));
    EXPECT_EQ(prefixesOf(classful), (Prefixes{{0xC0000207, 32},
                                              {0xC0000208, 29},
                                              {0xC0000210, 28},
                                              {0xC0000220, 27},
                                              {0xC0000240, 26},
                                              {0xC0000280, 25},
                                              {0xC0000300, 30},
                                              {0xC0000304, 31},
                                              {0xC0000306, 32}}));
}

TEST(IPSubSpace, AssignmentsAndSelfOperations)
{
    IPSubSpace a = block(0x0A000000, 30) + block(0x0A000010, 31);
    List<IPAddress>& listing = a.listAddresses();
    a = block(0x14000000, 32);
    EXPECT_EQ(listing.len(), 6u) << "assignment leaves the old listing in place";
    EXPECT_EQ(a.listAddresses().len(), 1u);

    IPSubSpace b = block(0x0A000000, 30) + block(0x0A000010, 31);
    const IPSubSpace copy(b);
    b += block(0x0B000000, 32);
    EXPECT_EQ(copy.addresses(), 6u) << "a copy does not share its intervals";
    EXPECT_EQ(b + b, b);
    EXPECT_EQ(b * b, b);
    EXPECT_FALSE(b.includes(b));
    b += b;
    b *= b;
    EXPECT_EQ(intervalsOf(b),
              (Intervals{{0x0A000000, 0x0A000003}, {0x0A000010, 0x0A000011}, {0x0B000000, 0x0B000000}}));
}

TEST(IPSubSpace, RandomWindowSetsAgreeWithBitsetModel)
{
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

            Prefixes expected;
            trieDecompose(a.bits, base, 0, 0, expected);
            ASSERT_EQ(prefixesOf(a.set), expected) << "round " << round << " base " << base;
        }
    }
}
