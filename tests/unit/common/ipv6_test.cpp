// IPv6 text forms against the C library's inet_pton/inet_ntop on many random
// addresses and strings, plus the places where we deliberately differ.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <array>
#include <cstring>
#include <random>
#include <string>

#include "common/ipv6.h"

namespace {

// Addresses with long zero runs, ties between runs and 0xffff groups, as the
// interesting formatting cases are rare among uniform values.
IPv6Address randomAddress(std::mt19937& rng)
{
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t g = 0; g < 8; ++g) {
        const unsigned kind = rng() % 4;
        const unsigned value = kind == 0 ? 0 : kind == 1 ? 0xffff : kind == 2 ? rng() % 16 : rng() % 65536;
        bytes[2 * g] = static_cast<std::uint8_t>(value >> 8);
        bytes[2 * g + 1] = static_cast<std::uint8_t>(value);
    }
    return IPv6Address(bytes);
}

std::string libcText(const IPv6Address& a)
{
    char text[INET6_ADDRSTRLEN];
    in6_addr raw{};
    std::memcpy(&raw, a.bytes().data(), 16);
    return inet_ntop(AF_INET6, &raw, text, sizeof text);
}

std::optional<std::array<std::uint8_t, 16>> libcParse(const std::string& text)
{
    in6_addr raw{};
    if (inet_pton(AF_INET6, text.c_str(), &raw) != 1) return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), &raw, 16);
    return bytes;
}

// Where we write the low 32 bits dotted and the C library does not, or the
// other way round.
bool dottedDiffers(const IPv6Address& a)
{
    bool zero4 = true;
    for (std::size_t i = 0; i < 4; ++i)
        zero4 = zero4 && a.group(i) == 0;
    const bool translated = zero4 && a.group(4) == 0xffff && a.group(5) == 0;
    const bool compatible = zero4 && a.group(4) == 0 && a.group(5) == 0 && (a.group(6) != 0);
    return translated || compatible;
}

// Every spelling of one address a reader may meet: full, upper case, any zero
// run compressed, leading zeros, dotted tail.
std::string randomSpelling(const IPv6Address& a, std::mt19937& rng)
{
    std::string text;
    const bool dotted = rng() % 4 == 0;
    const std::size_t groups = dotted ? 6 : 8;
    std::size_t skipFrom = 9;
    std::size_t skipTo = 9;
    const std::size_t start = rng() % groups;
    if (rng() % 2 == 0 && a.group(start) == 0) {
        skipFrom = start;
        skipTo = start;
        while (skipTo < groups && a.group(skipTo) == 0)
            ++skipTo;
    }
    for (std::size_t g = 0; g < groups; ++g) {
        if (g == skipFrom) {
            text += g == 0 ? "::" : ":";
            g = skipTo - 1;
            continue;
        }
        char piece[8];
        std::snprintf(piece, sizeof piece, rng() % 3 == 0 ? "%04X" : "%x", a.group(g));
        text += piece;
        if (g + 1 < groups || dotted) text += ':';
    }
    if (dotted)
        text += std::to_string(a.bytes()[12]) + "." + std::to_string(a.bytes()[13]) + "." +
                std::to_string(a.bytes()[14]) + "." + std::to_string(a.bytes()[15]);
    return text;
}

} // namespace

TEST(IPv6Address, FormatsAsTheCLibraryExceptForTheDottedPrefixes)
{
    std::mt19937 rng(20261208);
    for (int i = 0; i < 60000; ++i) {
        const IPv6Address a = randomAddress(rng);
        if (!dottedDiffers(a)) {
            ASSERT_EQ(a.toString(), libcText(a));
        }
        const auto back = IPv6Address::parse(a.toString());
        ASSERT_TRUE(back && *back == a) << a.toString();
    }
}

TEST(IPv6Address, ParsesEverySpellingAsTheCLibraryDoes)
{
    std::mt19937 rng(4291);
    for (int i = 0; i < 60000; ++i) {
        const IPv6Address a = randomAddress(rng);
        const std::string text = randomSpelling(a, rng);
        const auto ours = IPv6Address::parse(text);
        const auto theirs = libcParse(text);
        ASSERT_EQ(ours.has_value(), theirs.has_value()) << text;
        if (ours) {
            ASSERT_EQ(ours->bytes(), *theirs) << text;
        }
    }
}

TEST(IPv6Address, AcceptsAndRefusesTheSameRandomStringsAsTheCLibrary)
{
    std::mt19937 rng(5952);
    const std::string alphabet = "0123456789abcdefABCDEFg:::...";
    for (int i = 0; i < 100000; ++i) {
        std::string text(rng() % 24, ' ');
        for (char& c : text)
            c = alphabet[rng() % alphabet.size()];
        const auto ours = IPv6Address::parse(text);
        const auto theirs = libcParse(text);
        ASSERT_EQ(ours.has_value(), theirs.has_value()) << text;
        if (ours) {
            ASSERT_EQ(ours->bytes(), *theirs) << text;
        }
    }
}

TEST(IPv6Address, WritesTheCanonicalFormWhereTheCLibraryDiffers)
{
    const auto text = [](const char* in) { return IPv6Address::parse(in)->toString(); };
    // IPv4-translated addresses carry an IPv4 address under a well-known prefix.
    EXPECT_EQ(text("0:0:0:0:ffff:0:c000:201"), "::ffff:0:192.0.2.1");
    // The deprecated IPv4-compatible form stays hex.
    EXPECT_EQ(text("::192.0.2.1"), "::c000:201");
    EXPECT_EQ(text("::FFFF:C000:0201"), "::ffff:192.0.2.1");
    EXPECT_EQ(text("2001:db8:0:0:1:0:0:1"), "2001:db8::1:0:0:1");    // first of two equal runs
    EXPECT_EQ(text("2001:db8:0:1:1:1:1:1"), "2001:db8:0:1:1:1:1:1"); // one zero group stays
    for (const char* bad : {"", ":", ":::", "1::2::3", "12345::", "::1.2.3", "::1.2.3.04", "::256.1.1.1",
                            "1.2.3.4::", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7", "::1 ", "[::1]", "fe80::1%eth0",
                            "1:2:3:4:5:6:7:1.2.3.4", "::1/64"})
        EXPECT_FALSE(IPv6Address::parse(bad)) << bad;
}

TEST(IPv6Prefix, ClearsHostBitsAndRefusesThemInText)
{
    const IPv6Address a = *IPv6Address::parse("2001:db8:ffff:ffff::1");
    EXPECT_EQ(IPv6Prefix(a, 35).toString(), "2001:db8:e000::/35");
    EXPECT_EQ(IPv6Prefix(a, 0).toString(), "::/0");
    EXPECT_EQ(IPv6Prefix(a, 128).toString(), "2001:db8:ffff:ffff::1/128");
    EXPECT_EQ(IPv6Prefix(a, 129).length(), 128);
    EXPECT_TRUE(a.hasHostBits(64));
    EXPECT_FALSE(a.hasHostBits(128));
    EXPECT_EQ(IPv6Prefix::parse("2001:DB8::/32")->toString(), "2001:db8::/32");
    for (const char* bad : {"2001:db8::1/64", "2001:db8::/129", "2001:db8::/032", "2001:db8::", "2001:db8::/", "::/x"})
        EXPECT_FALSE(IPv6Prefix::parse(bad)) << bad;

    const IPv6Prefix wide = *IPv6Prefix::parse("2001:db8::/32");
    const IPv6Prefix narrow = *IPv6Prefix::parse("2001:db8:1::/48");
    EXPECT_TRUE(narrow.isMoreSpecific(wide));
    EXPECT_FALSE(wide.isMoreSpecific(narrow));
    EXPECT_FALSE(wide.isMoreSpecific(wide));
    EXPECT_TRUE(wide < narrow);
    EXPECT_TRUE(*IPv6Prefix::parse("2001:db8::/31") < wide);
    EXPECT_TRUE(*IPv6Address::parse("::ffff") < *IPv6Address::parse("::1:0"));
}
