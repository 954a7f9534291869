// Addresses, netmasks and prefixes: where 32-bit values wrap, where masks
// must stay contiguous and where the classful boundaries fall.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "common/iptools.h"

namespace {

IPAddress addr(int a, int b, int c, int d)
{
    return IPAddress(std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d));
}

std::uint32_t maskValue(int a, int b, int c, int d)
{
    IPNetmask m{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)};
    const std::uint8_t* o = m.getNetmask();
    return std::uint32_t(o[0]) << 24 | std::uint32_t(o[1]) << 16 | std::uint32_t(o[2]) << 8 | o[3];
}

} // namespace

TEST(IPAddress, ArithmeticWrapsAndDifferenceCountsTheClosedRange)
{
    EXPECT_EQ(addr(255, 255, 255, 255) + 1, addr(0, 0, 0, 0));
    EXPECT_EQ(addr(0, 0, 0, 0) - 1, addr(255, 255, 255, 255));
    EXPECT_EQ(addr(1, 2, 3, 4) + 4294967296ULL, addr(1, 2, 3, 4));
    EXPECT_EQ(addr(1, 2, 3, 4) + (4294967296ULL * 7 + 2), addr(1, 2, 3, 6)); // low 32 bits only
    EXPECT_EQ(addr(10, 255, 255, 255) + 1, addr(11, 0, 0, 0));
    IPAddress a = addr(255, 255, 255, 250);
    EXPECT_EQ(a += 10, addr(0, 0, 0, 4));
    EXPECT_EQ(a -= 5, addr(255, 255, 255, 255));
    EXPECT_EQ(a + 3, addr(0, 0, 0, 2));
    EXPECT_EQ(a, addr(255, 255, 255, 255)) << "+ leaves its operand alone";

    EXPECT_EQ(addr(10, 0, 0, 1) - addr(10, 0, 0, 1), 1u);
    EXPECT_EQ(addr(10, 0, 0, 9) - addr(10, 0, 0, 1), 9u);
    EXPECT_EQ(addr(10, 0, 0, 1) - addr(10, 0, 0, 9), 9u);
    EXPECT_EQ(addr(0, 0, 0, 0) - addr(255, 255, 255, 255), 4294967296ULL);
    EXPECT_EQ(addr(255, 255, 255, 255) - addr(0, 0, 0, 0), 4294967296ULL);
}

TEST(IPAddress, OrderFollowsTheNumericValue)
{
    // Few distinct octets, so that long runs of equal leading octets occur.
    const std::array<int, 6> values{0, 1, 127, 128, 254, 255};
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        std::array<int, 8> o{};
        for (int& x : o)
            x = values[rng() % values.size()];
        const IPAddress a = addr(o[0], o[1], o[2], o[3]), b = addr(o[4], o[5], o[6], o[7]);
        const auto va = (std::uint64_t(o[0]) << 24) + (o[1] << 16) + (o[2] << 8) + o[3];
        const auto vb = (std::uint64_t(o[4]) << 24) + (o[5] << 16) + (o[6] << 8) + o[7];
        ASSERT_EQ(a < b, va < vb);
        ASSERT_EQ(a > b, va > vb);
        ASSERT_EQ(a <= b, va <= vb);
        ASSERT_EQ(a >= b, va >= vb);
        ASSERT_EQ(a == b, va == vb);
        ASSERT_EQ(a != b, va != vb);
    }
}

TEST(IPAddress, ClassMaskAndOctetAccess)
{
    const char* classes = "UAABBBCCDDEEUU";
    const std::array<int, 14> firsts{0, 1, 127, 128, 172, 191, 192, 223, 224, 239, 240, 247, 248, 255};
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        EXPECT_EQ(addr(firsts[i], 255, 255, 255).ipClass(), classes[i]) << "first octet " << firsts[i];
    }

    IPAddress a = addr(10, 1, 2, 3);
    EXPECT_EQ(a.mask(IPNetmask(16)), addr(10, 1, 0, 0));
    EXPECT_EQ(a.mask(IPNetmask(0)), addr(0, 0, 0, 0));
    EXPECT_EQ(a, addr(10, 1, 2, 3));
    a.getAddress()[0] = 99; // writing to the handed-out copy changes nothing
    EXPECT_EQ(a, addr(10, 1, 2, 3));
    a.setAddress(192, 0, 2, 1);
    EXPECT_EQ(a.getAddress()[3], 1);
}

TEST(IPNetmask, OnlyContiguousMasksSurvive)
{
    EXPECT_EQ(maskValue(255, 255, 254, 0), 0xFFFFFE00u);
    EXPECT_EQ(IPNetmask(255, 255, 254, 0).brief(), 23);
    EXPECT_EQ(maskValue(0, 0, 0, 0), 0u);
    EXPECT_EQ(maskValue(255, 0, 255, 0), 0xFFFFFFFFu);
    EXPECT_EQ(maskValue(255, 255, 253, 0), 0xFFFFFFFFu);
    EXPECT_EQ(maskValue(0, 255, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(IPNetmask(0, 255, 0, 0).brief(), 32);
    // Random and nearly-contiguous masks against the arithmetic definition:
    // a mask is contiguous when its complement is 2^k - 1.
    std::mt19937 rng(11);
    for (int i = 0; i < 100000; ++i) {
        std::uint32_t v = rng();
        if (i % 2 == 0) v = std::uint32_t(~((std::uint64_t{1} << (rng() % 33)) - 1));
        if (i % 4 == 0) v ^= 1u << (rng() % 32);
        const bool contiguous = (~v & (~v + 1)) == 0;
        ASSERT_EQ(maskValue(v >> 24, (v >> 16) & 255, (v >> 8) & 255, v & 255), contiguous ? v : 0xFFFFFFFFu) << v;
    }
}

TEST(IPNetmask, LengthsAndOrder)
{
    EXPECT_EQ(IPNetmask(1).value(), 0x80000000u);
    EXPECT_EQ(IPNetmask(23).value(), 0xFFFFFE00u);
    EXPECT_EQ(IPNetmask(0).value(), 0u);
    for (int bad : {33, -1, 264, -128})
        EXPECT_EQ(IPNetmask(bad).value(), 0xFFFFFFFFu) << bad;
    EXPECT_EQ(IPNetmask().brief(), 32);
    for (int i = 0; i <= 32; ++i) {
        ASSERT_EQ(IPNetmask(i).brief(), i);
        for (int j = 0; j <= 32; ++j) {
            const IPNetmask a(i), b(j);
            ASSERT_EQ(a > b, i > j);
            ASSERT_EQ(a < b, i < j);
            ASSERT_EQ(a >= b, i >= j);
            ASSERT_EQ(a <= b, i <= j);
            ASSERT_EQ(a == b, i == j);
        }
    }
}

TEST(IPPrefix, ClassfulDefaultsKeepTheHostBits)
{
    EXPECT_EQ(IPPrefix().netmask().brief(), 0);
    EXPECT_EQ(IPPrefix().addresses(), 4294967296ULL);
    const std::array<int, 14> firsts{0, 1, 127, 128, 191, 192, 223, 224, 239, 240, 247, 248, 250, 255};
    const std::array<int, 14> lengths{32, 8, 8, 16, 16, 24, 24, 32, 32, 32, 32, 32, 32, 32};
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        const IPPrefix p(addr(firsts[i], 1, 2, 3));
        EXPECT_EQ(p.netmask().brief(), lengths[i]) << "first octet " << firsts[i];
        EXPECT_EQ(p.address(), addr(firsts[i], 1, 2, 3));
    }
    const IPPrefix masked(addr(10, 1, 2, 3), IPNetmask(16));
    EXPECT_EQ(masked.address(), addr(10, 1, 0, 0));
    EXPECT_EQ(masked, IPPrefix(addr(10, 1, 255, 255), IPNetmask(16)));
    EXPECT_NE(masked, IPPrefix(addr(10, 1, 0, 0), IPNetmask(17)));
}

TEST(IPPrefix, Specificity)
{
    const IPPrefix net8(addr(10, 0, 0, 0), IPNetmask(8)), net16(addr(10, 1, 0, 0), IPNetmask(16));
    EXPECT_TRUE(net16.isMoreSpecific(net8));
    EXPECT_TRUE(net8.isLessSpecific(net16));
    EXPECT_FALSE(net8.isMoreSpecific(net16));
    EXPECT_FALSE(net16.isLessSpecific(net8));
    EXPECT_FALSE(net8.isMoreSpecific(net8));
    EXPECT_FALSE(net8.isLessSpecific(net8));
    EXPECT_FALSE(IPPrefix(addr(11, 1, 0, 0), IPNetmask(16)).isMoreSpecific(net8));
    // The classful prefix keeps 10.1.2.3 as its address, which no /16 masks down to.
    EXPECT_FALSE(net16.isMoreSpecific(IPPrefix(addr(10, 1, 2, 3))));
    EXPECT_TRUE(IPPrefix().isLessSpecific(IPPrefix(addr(255, 255, 255, 255), IPNetmask(32))));
}

TEST(IPPrefix, ListingStopsAtTheTopOfTheSpace)
{
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(32)).addresses(), 1u);
    EXPECT_EQ(IPPrefix(addr(1, 2, 3, 4), IPNetmask(1)).addresses(), 2147483648ULL);
    IPPrefix p(addr(192, 0, 2, 1), IPNetmask(30));
    List<IPAddress>& first = p.listAddresses();
    ASSERT_EQ(first.len(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(first.pop(), addr(192, 0, 2, i));
    EXPECT_EQ(&p.listAddresses(), &first);
    EXPECT_EQ(first.len(), 4u) << "listing again refills the same list";

    IPPrefix top(addr(255, 255, 255, 252), IPNetmask(30));
    EXPECT_EQ(top.listAddresses().len(), 4u);
    EXPECT_EQ(top.listAddresses().last(), addr(255, 255, 255, 255));
    IPPrefix last(addr(255, 255, 255, 255), IPNetmask(32));
    EXPECT_EQ(last.listAddresses().len(), 1u);

    // Assignment takes address and netmask but leaves the target's listing.
    IPPrefix target(addr(10, 0, 0, 0), IPNetmask(31));
    List<IPAddress>& targetList = target.listAddresses();
    target = p;
    EXPECT_EQ(target, p);
    EXPECT_EQ(targetList.len(), 2u);
    EXPECT_EQ(target.listAddresses().len(), 4u);
}
