#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <string>

#include "common/asmap.h"
#include "common/asnumber.h"

using asnumber::classicRange;
using asnumber::wideRange;

// The notations and the limits of both ranges.
TEST(ASNumber, ParsesAsplainAndAsdotWithinTheRange)
{
    EXPECT_EQ(asnumber::parse("65535", classicRange), 65535u);
    EXPECT_FALSE(asnumber::parse("65536", classicRange));
    EXPECT_FALSE(asnumber::parse("1.10", classicRange)); // asdot is no 16-bit notation
    EXPECT_EQ(asnumber::parse("4294967295", wideRange), 4294967295u);
    EXPECT_FALSE(asnumber::parse("4294967296", wideRange));
    EXPECT_FALSE(asnumber::parse("99999999999999999999999", wideRange));
    EXPECT_EQ(asnumber::parse("1.10", wideRange), 65546u);
    EXPECT_EQ(asnumber::parse("4.933", wideRange), 263077u);
    EXPECT_EQ(asnumber::parse("65535.65535", wideRange), 4294967295u);
    EXPECT_EQ(asnumber::parse("0.100", wideRange), 100u);
    for (const char* bad : {"0", "0.0", "-1", "65536.0", "1.65536", ".5", "5.", "1..2", "1.2.3", "1x", "", "0x10",
                            "1.-2", "1.2x", "+1.2", "+100", " 100"})
        EXPECT_FALSE(asnumber::parse(bad, wideRange)) << bad;
}

// Formatting against the standard library, and reading back what was written.
TEST(ASNumber, FormatsAsplainAndReadsItBack)
{
    std::mt19937 rng(12);
    for (int i = 0; i < 20000; ++i) {
        const asnum_t as = i < 3 ? std::array<asnum_t, 3>{1, 65535, 4294967295u}[static_cast<std::size_t>(i)]
                                 : static_cast<asnum_t>(rng() | 1u);
        char buffer[asnumber::maxDigits];
        const std::string text(buffer, asnumber::format(buffer, as));
        ASSERT_EQ(text, std::to_string(as));
        ASSERT_EQ(asnumber::toString(as), text);
        ASSERT_EQ(asnumber::digitCount(as), text.size());
        ASSERT_EQ(asnumber::parse(text, wideRange), as);
        ASSERT_EQ(asnumber::parse(std::to_string(as >> 16) + "." + std::to_string(as & 0xFFFF), wideRange), as);
    }
}

TEST(ASNumber, ClassifiesPrivateAndReserved)
{
    for (const asnum_t as : {64512u, 65534u, 65535u, 4200000000u, 4294967295u})
        EXPECT_TRUE(asnumber::isPrivate(as)) << as;
    for (const asnum_t as : {1u, 64511u, 65536u, 4199999999u})
        EXPECT_FALSE(asnumber::isPrivate(as)) << as;
    for (const asnum_t as : {0u, 23456u, 64496u, 65535u, 65551u, 4294967295u})
        EXPECT_TRUE(asnumber::isReserved(as)) << as;
    for (const asnum_t as : {1u, 64512u, 65552u, 4200000000u})
        EXPECT_FALSE(asnumber::isReserved(as)) << as;
    EXPECT_FALSE(asnumber::needs32Bits(65535));
    EXPECT_TRUE(asnumber::needs32Bits(65536));
    EXPECT_EQ(asnumber::fieldWidth(classicRange), 5u);
    EXPECT_EQ(asnumber::fieldWidth(wideRange), 10u);
}

// The hash table against std::map, over numbers from the whole 32-bit range
// and from a narrow one (many collisions of neighbours), across clears.
TEST(ASMap, AgreesWithAnOrderedMap)
{
    std::mt19937 rng(7);
    ASMap table;
    for (int round = 0; round < 4; ++round) {
        std::map<asnum_t, std::uint32_t> oracle;
        for (std::uint32_t i = 0; i < 5000; ++i) {
            const asnum_t as = round % 2 ? static_cast<asnum_t>(rng()) : static_cast<asnum_t>(rng() % 3000);
            const auto [value, added] = table.insert(as, i);
            const auto [it, oracleAdded] = oracle.emplace(as, i);
            ASSERT_EQ(added, oracleAdded);
            ASSERT_EQ(value, it->second);
        }
        ASSERT_EQ(table.size(), oracle.size());
        std::map<asnum_t, std::uint32_t> listed;
        table.forEach([&listed](asnum_t as, std::uint32_t value) { listed.emplace(as, value); });
        ASSERT_EQ(listed, oracle);
        table.clear();
        ASSERT_TRUE(table.empty());
    }
}
