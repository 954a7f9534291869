// Addresses, netmasks and prefixes: the places where 32-bit values wrap,
// where masks must stay contiguous and where classful boundaries fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "common/iptools.h"

namespace {

using Octets = std::array<int, 4>;

Octets octetsOf(IPAddress a) {
    const std::uint8_t* o = a.getAddress();
    return {o[0], o[1], o[2], o[3]};
}

Octets octetsOf(IPNetmask m) {
    const std::uint8_t* o = m.getNetmask();
    return {o[0], o[1], o[2], o[3]};
}

std::uint64_t numeric(const Octets& o) {
    return (std::uint64_t(o[0]) << 24) + (std::uint64_t(o[1]) << 16) + (std::uint64_t(o[2]) << 8) +
           std::uint64_t(o[3]);
}

IPAddress addr(int a, int b, int c, int d) {
    return IPAddress(std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d));
}

IPNetmask mask(int a, int b, int c, int d) {
    return IPNetmask(std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d));
}

const Octets allOnes{255, 255, 255, 255};

} // namespace

TEST(IPAddress, ArithmeticWrapsModulo2To32) {
    EXPECT_EQ(addr(255, 255, 255, 255) + 1, addr(0, 0, 0, 0));
    EXPECT_EQ(addr(0, 0, 0, 0) - 1, addr(255, 255, 255, 255));
    EXPECT_EQ(addr(1, 2, 3, 4) + 4294967296ULL, addr(1, 2, 3, 4));
    EXPECT_EQ(addr(1, 2, 3, 4) - 4294967296ULL, addr(1, 2, 3, 4));
    // Only the low 32 bits of the operand count.
    EXPECT_EQ(addr(1, 2, 3, 4) + (4294967296ULL * 7 + 2), addr(1, 2, 3, 6));
    // Carries and borrows cross every octet.
    EXPECT_EQ(addr(10, 255, 255, 255) + 1, addr(11, 0, 0, 0));
    EXPECT_EQ(addr(11, 0, 0, 0) - 1, addr(10, 255, 255, 255));
    EXPECT_EQ(addr(0, 0, 0, 0) + 0xFFFFFFFFULL, addr(255, 255, 255, 255));

    IPAddress a = addr(255, 255, 255, 250);
    a += 10;
    EXPECT_EQ(a, addr(0, 0, 0, 4));
    a -= 5;
    EXPECT_EQ(a, addr(255, 255, 255, 255));
    const IPAddress b = a + 3;
    EXPECT_EQ(a, addr(255, 255, 255, 255)) << "+ must not change its operand";
    EXPECT_EQ(b, addr(0, 0, 0, 2));
}

TEST(IPAddress, DifferenceCountsTheClosedRangeInEitherOrder) {
    EXPECT_EQ(addr(10, 0, 0, 1) - addr(10, 0, 0, 1), 1u);
    EXPECT_EQ(addr(10, 0, 0, 9) - addr(10, 0, 0, 1), 9u);
    EXPECT_EQ(addr(10, 0, 0, 1) - addr(10, 0, 0, 9), 9u);
    EXPECT_EQ(addr(0, 0, 0, 0) - addr(255, 255, 255, 255), 4294967296ULL);
    EXPECT_EQ(addr(255, 255, 255, 255) - addr(0, 0, 0, 0), 4294967296ULL);
    EXPECT_EQ(addr(1, 0, 0, 0) - addr(0, 255, 255, 255), 2u);
}

TEST(IPAddress, OrderFollowsTheNumericValueOnRandomAddresses) {
    std::mt19937 rng(7);
    // Few distinct octet values so that long runs of equal leading octets occur.
    std::uniform_int_distribution<int> pick(0, 5);
    const std::array<int, 6> values{0, 1, 127, 128, 254, 255};
    for (int i = 0; i < 20000; ++i) {
        Octets x{}, y{};
        for (int k = 0; k < 4; ++k) {
            x[std::size_t(k)] = values[std::size_t(pick(rng))];
            y[std::size_t(k)] = values[std::size_t(pick(rng))];
        }
        const IPAddress a = addr(x[0], x[1], x[2], x[3]);
        const IPAddress b = addr(y[0], y[1], y[2], y[3]);
        const std::uint64_t va = numeric(x), vb = numeric(y);
        ASSERT_EQ(a < b, va < vb);
        ASSERT_EQ(a > b, va > vb);
        ASSERT_EQ(a <= b, va <= vb);
        ASSERT_EQ(a >= b, va >= vb);
        ASSERT_EQ(a == b, va == vb);
        ASSERT_EQ(a != b, va != vb);
    }
    EXPECT_FALSE(addr(10, 0, 0, 1) < addr(9, 255, 255, 255));
    EXPECT_FALSE(addr(1, 2, 3, 4) > addr(1, 2, 3, 4));
    EXPECT_FALSE(addr(1, 2, 3, 4) < addr(1, 2, 3, 4));
    EXPECT_TRUE(addr(1, 2, 3, 4) >= addr(1, 2, 3, 4));
    EXPECT_TRUE(addr(1, 2, 3, 4) <= addr(1, 2, 3, 4));
}

TEST(IPAddress, ClassBoundaries) {
    const std::vector<std::pair<int, char>> cases{
        {0, 'U'},   {1, 'A'},   {10, 'A'},  {127, 'A'}, {128, 'B'}, {172, 'B'}, {191, 'B'},
        {192, 'C'}, {223, 'C'}, {224, 'D'}, {239, 'D'}, {240, 'E'}, {247, 'E'}, {248, 'U'},
        {250, 'U'}, {255, 'U'}};
    for (const auto& [first, expected] : cases) {
        EXPECT_EQ(addr(first, 1, 2, 3).ipClass(), expected) << "first octet " << first;
    }
    EXPECT_EQ(addr(255, 255, 255, 255).ipClass(), 'U');
}

TEST(IPAddress, MaskAndOctetAccessLeaveTheAddressAlone) {
    IPAddress a = addr(10, 1, 2, 3);
    EXPECT_EQ(a.mask(mask(255, 255, 0, 0)), addr(10, 1, 0, 0));
    EXPECT_EQ(a.mask(IPNetmask(0)), addr(0, 0, 0, 0));
    EXPECT_EQ(a.mask(IPNetmask(32)), a);
    EXPECT_EQ(a, addr(10, 1, 2, 3));

    std::uint8_t* out = a.getAddress();
    out[0] = 99;
    EXPECT_EQ(octetsOf(a), (Octets{10, 1, 2, 3}));
    a.setAddress(192, 0, 2, 1);
    EXPECT_EQ(octetsOf(a), (Octets{192, 0, 2, 1}));
    EXPECT_EQ(IPAddress(), addr(0, 0, 0, 0));
}

TEST(IPNetmask, OnlyContiguousMasksAreKept) {
    EXPECT_EQ(octetsOf(mask(255, 255, 254, 0)), (Octets{255, 255, 254, 0}));
    EXPECT_EQ(mask(255, 255, 254, 0).brief(), 23);
    EXPECT_EQ(octetsOf(mask(0, 0, 0, 0)), (Octets{0, 0, 0, 0}));
    EXPECT_EQ(mask(0, 0, 0, 0).brief(), 0);
    for (const IPNetmask& bad : {mask(255, 0, 255, 0), mask(255, 255, 253, 0), mask(0, 255, 0, 0),
                                 mask(0, 0, 0, 1), mask(128, 128, 0, 0), mask(255, 254, 255, 0),
                                 mask(255, 255, 255, 253)}) {
        IPNetmask m = bad;
        EXPECT_EQ(octetsOf(m), allOnes);
        EXPECT_EQ(m.brief(), 32);
    }

    // Every value in every octet position, with ones before and zeros after:
    // only the ones-then-zeros octets survive.
    const std::vector<int> partial{0, 128, 192, 224, 240, 248, 252, 254, 255};
    for (int pos = 0; pos < 4; ++pos) {
        for (int v = 0; v < 256; ++v) {
            Octets o{};
            for (int k = 0; k < 4; ++k) o[std::size_t(k)] = k < pos ? 255 : (k == pos ? v : 0);
            const bool contiguous = std::find(partial.begin(), partial.end(), v) != partial.end();
            const IPNetmask m = mask(o[0], o[1], o[2], o[3]);
            ASSERT_EQ(octetsOf(m), contiguous ? o : allOnes) << "position " << pos << " value " << v;
        }
    }

    // Random masks against the arithmetic definition: the complement is 2^k - 1.
    std::mt19937 rng(11);
    for (int i = 0; i < 50000; ++i) {
        std::uint32_t v = rng();
        if (i % 2 == 0) v = ~((std::uint64_t{1} << (rng() % 33)) - 1) & 0xFFFFFFFFu; // contiguous
        if (i % 4 == 0) v ^= 1u << (rng() % 32);                                     // one bit off
        const Octets o{int(v >> 24), int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255)};
        const std::uint32_t inv = ~v;
        const bool contiguous = (inv & (inv + 1)) == 0;
        ASSERT_EQ(octetsOf(mask(o[0], o[1], o[2], o[3])), contiguous ? o : allOnes) << v;
    }
}

TEST(IPNetmask, LengthsOutsideZeroTo32BecomeHost) {
    EXPECT_EQ(octetsOf(IPNetmask(0)), (Octets{0, 0, 0, 0}));
    EXPECT_EQ(octetsOf(IPNetmask(1)), (Octets{128, 0, 0, 0}));
    EXPECT_EQ(octetsOf(IPNetmask(23)), (Octets{255, 255, 254, 0}));
    EXPECT_EQ(octetsOf(IPNetmask(32)), allOnes);
    EXPECT_EQ(octetsOf(IPNetmask(33)), allOnes);
    EXPECT_EQ(octetsOf(IPNetmask(-1)), allOnes);
    EXPECT_EQ(octetsOf(IPNetmask(264)), allOnes);
    EXPECT_EQ(octetsOf(IPNetmask()), allOnes);
    for (int len = 0; len <= 32; ++len) EXPECT_EQ(IPNetmask(len).brief(), len);

    IPNetmask m(8);
    m.setNetmask(255, 0, 255, 0);
    EXPECT_EQ(m.brief(), 32) << "a rejected mask replaces the previous one";
    m.setNetmask(-5);
    EXPECT_EQ(m.brief(), 32);
}

TEST(IPNetmask, LongerMasksAreGreater) {
    for (int i = 0; i <= 32; ++i) {
        for (int j = 0; j <= 32; ++j) {
            const IPNetmask a(i), b(j);
            ASSERT_EQ(a > b, i > j) << i << " " << j;
            ASSERT_EQ(a < b, i < j) << i << " " << j;
            ASSERT_EQ(a >= b, i >= j);
            ASSERT_EQ(a <= b, i <= j);
            ASSERT_EQ(a == b, i == j);
            ASSERT_EQ(a != b, i != j);
        }
    }
}

TEST(IPPrefix, ClassfulDefaultsKeepTheHostBits) {
    const IPPrefix whole;
    EXPECT_EQ(whole.address(), addr(0, 0, 0, 0));
    EXPECT_EQ(whole.netmask().brief(), 0);
    EXPECT_EQ(whole.addresses(), 4294967296ULL);

    const IPPrefix a(addr(10, 1, 2, 3));
    EXPECT_EQ(a.address(), addr(10, 1, 2, 3));
    EXPECT_EQ(a.netmask(), mask(255, 0, 0, 0));

    const std::vector<std::pair<Octets, int>> cases{
        {{0, 1, 2, 3}, 32},    {{1, 0, 0, 1}, 8},     {{127, 0, 0, 1}, 8},   {{128, 0, 0, 1}, 16},
        {{172, 16, 5, 4}, 16}, {{191, 255, 0, 1}, 16}, {{192, 0, 2, 7}, 24},  {{223, 1, 1, 1}, 24},
        {{224, 0, 0, 1}, 32},  {{239, 1, 1, 1}, 32},  {{240, 0, 0, 1}, 32},  {{247, 1, 1, 1}, 32},
        {{248, 0, 0, 1}, 32},  {{250, 1, 1, 1}, 32},  {{255, 255, 255, 255}, 32}};
    for (const auto& [o, len] : cases) {
        const IPPrefix p(addr(o[0], o[1], o[2], o[3]));
        EXPECT_EQ(p.netmask().brief(), len) << "first octet " << o[0];
        EXPECT_EQ(p.address(), addr(o[0], o[1], o[2], o[3]));
    }

    const IPPrefix masked(addr(10, 1, 2, 3), mask(255, 255, 0, 0));
    EXPECT_EQ(masked.address(), addr(10, 1, 0, 0));
    EXPECT_EQ(masked.netmask().brief(), 16);
    EXPECT_EQ(masked, IPPrefix(addr(10, 1, 255, 255), IPNetmask(16)));
    EXPECT_NE(masked, IPPrefix(addr(10, 1, 0, 0), IPNetmask(17)));
    EXPECT_NE(masked, IPPrefix(addr(10, 2, 0, 0), IPNetmask(16)));
}

TEST(IPPrefix, Specificity) {
    const IPPrefix net8(addr(10, 0, 0, 0), IPNetmask(8));
    const IPPrefix net16(addr(10, 1, 0, 0), IPNetmask(16));
    EXPECT_TRUE(net16.isMoreSpecific(net8));
    EXPECT_TRUE(net8.isLessSpecific(net16));
    EXPECT_FALSE(net8.isMoreSpecific(net16));
    EXPECT_FALSE(net16.isLessSpecific(net8));
    EXPECT_FALSE(net8.isMoreSpecific(net8));
    EXPECT_FALSE(net8.isLessSpecific(net8));
    const IPPrefix other16(addr(10, 2, 0, 0), IPNetmask(16));
    EXPECT_FALSE(net16.isMoreSpecific(other16)) << "same length is never more specific";

    const IPPrefix outside(addr(11, 1, 0, 0), IPNetmask(16));
    EXPECT_FALSE(outside.isMoreSpecific(net8));
    EXPECT_FALSE(net8.isLessSpecific(outside));
    // The classful prefix keeps 10.1.2.3 as its address, which no /16 masks down to.
    const IPPrefix classful(addr(10, 1, 2, 3));
    EXPECT_FALSE(net16.isMoreSpecific(classful));
    EXPECT_FALSE(classful.isLessSpecific(net16));

    const IPPrefix whole;
    EXPECT_TRUE(net16.isMoreSpecific(whole));
    EXPECT_TRUE(whole.isLessSpecific(IPPrefix(addr(255, 255, 255, 255), IPNetmask(32))));
}

TEST(IPPrefix, AddressCountsAndListing) {
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(32)).addresses(), 1u);
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(24)).addresses(), 256u);
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(1)).addresses(), 2147483648ULL);
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(0)).addresses(), 4294967296ULL);

    IPPrefix p(addr(192, 0, 2, 1), IPNetmask(30));
    List<IPAddress>& first = p.listAddresses();
    ASSERT_EQ(first.len(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(first.pop(), addr(192, 0, 2, i));
    List<IPAddress>& second = p.listAddresses();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.len(), 4u) << "listing again refills the same list";
    EXPECT_EQ(second.first(), addr(192, 0, 2, 0));
    EXPECT_EQ(second.last(), addr(192, 0, 2, 3));

    // Ranges that end at the top of the address space must not wrap round.
    IPPrefix top(addr(255, 255, 255, 255), IPNetmask(32));
    EXPECT_EQ(top.listAddresses().len(), 1u);
    IPPrefix topBlock(addr(255, 255, 255, 252), IPNetmask(30));
    List<IPAddress>& block = topBlock.listAddresses();
    ASSERT_EQ(block.len(), 4u);
    EXPECT_EQ(block.last(), addr(255, 255, 255, 255));
    IPPrefix bottom(addr(0, 0, 0, 0), IPNetmask(32));
    EXPECT_EQ(bottom.listAddresses().len(), 1u);
}

TEST(IPPrefix, AssignmentLeavesTheTargetsListing) {
    IPPrefix source(addr(192, 0, 2, 0), IPNetmask(30));
    source.listAddresses();
    IPPrefix target(addr(10, 0, 0, 0), IPNetmask(31));
    List<IPAddress>& targetList = target.listAddresses();
    ASSERT_EQ(targetList.len(), 2u);

    target = source;
    EXPECT_EQ(target, source);
    EXPECT_EQ(targetList.len(), 2u);
    EXPECT_EQ(targetList.first(), addr(10, 0, 0, 0));

    IPPrefix copy(source);
    EXPECT_EQ(copy, source);
    // A fresh listing of a copy must work from the copy's own values.
    EXPECT_EQ(copy.listAddresses().len(), 4u);
    EXPECT_EQ(copy.listAddresses().last(), addr(192, 0, 2, 3));
}
