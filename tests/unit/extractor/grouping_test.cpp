#include "extractor/grouping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t S = ASItem::IN_SET;

// Captures what an OutputFile writes.
class captured {
public:
    captured() : file(std::tmpfile()), out(file, "test", false) {}
    ~captured() { std::fclose(file); }
    OutputFile& stream() { return out; }
    std::string text()
    {
        out.finish();
        std::string s;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }

private:
    std::FILE* file;
    OutputFile out;
};

std::vector<ASItem> items(std::initializer_list<ASItem> list) { return list; }

tag_field tagsOf(const char* six)
{
    tag_field t = emptyTags;
    for (std::size_t i = 0; i < 6; ++i)
        t[i] = six[i];
    return t;
}

const IPAddress net10(10, 0, 0, 0);

route_prefix v4(const IPAddress& network, std::optional<std::uint8_t> length)
{
    return route_prefix::ipv4(network.value(), length);
}
const IPAddress net10_1(10, 1, 0, 0);

TEST(Output, PathFormat)
{
    const std::vector<std::pair<std::vector<ASItem>, std::string>> cases = {
        {items({{100, 0}, {200, S}, {300, S}, {400, 0}}), "100 (200 300) 400"},
        {items({{100, 0}, {200, S}}), "100 (200)"},
        {items({{100, S}, {200, 0}}), "(100) 200"},
        {items({{7, S}}), "(7)"},
        {items({{65535, 1}, {1, 0}}), "65535 1"},
        {{}, ""},
    };
    for (const auto& [path, expected] : cases) {
        captured c;
        printASpath(c.stream(), path);
        EXPECT_EQ(c.text(), expected);
    }
}

// Paths far longer than the output buffer, with set runs across every batch
// boundary, against a plain formatter.
TEST(Output, LongPathsMatchPlainFormatting)
{
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245U + 12345U; };
    for (int round = 0; round < 4; ++round) {
        std::vector<ASItem> path(20000 + static_cast<std::size_t>(round) * 3001);
        for (ASItem& item : path) {
            item.asn = static_cast<asnum_t>(next() % 65535 + 1);
            item.flags = (next() >> 8) % 3 == 0 ? S : 0;
        }
        std::string expected;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const bool member = path[i].flags & S;
            const bool before = i > 0 && (path[i - 1].flags & S);
            const bool after = i + 1 < path.size() && (path[i + 1].flags & S);
            if (i > 0) expected += ' ';
            if (member && !before) expected += '(';
            expected += std::to_string(path[i].asn);
            if (member && !after) expected += ')';
        }
        captured c;
        c.stream().write("x");
        printASpath(c.stream(), path);
        EXPECT_EQ(c.text(), "x" + expected);
    }
}

TEST(Output, PrefixFormat)
{
    captured c;
    printPrefix(c.stream(), v4(net10, 8), false);
    printPrefix(c.stream(), v4(IPAddress(192, 168, 1, 0), std::nullopt), false);
    printPrefix(c.stream(), v4(net10, std::nullopt), true);
    printPrefix(c.stream(), v4(IPAddress(172, 16, 0, 0), std::nullopt), true);
    printPrefix(c.stream(), v4(IPAddress(192, 168, 1, 0), std::nullopt), true);
    printPrefix(c.stream(), v4(IPAddress(224, 0, 0, 1), std::nullopt), true);
    printPrefix(c.stream(), v4(IPAddress(0, 0, 0, 0), 0), true);
    // IPv6 in RFC 5952 form; allmask adds nothing to a prefix without length.
    printPrefix(c.stream(), {{ip_family::ipv6, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1}}, 64}, false);
    printPrefix(c.stream(), {{ip_family::ipv6, {}}, std::nullopt}, true);
    EXPECT_EQ(c.text(), "10.0.0.0/8 192.168.1.0 10.0.0.0/8 172.16.0.0/16 192.168.1.0/24 224.0.0.1/32 0.0.0.0/0 "
                        "2001:db8:0:1::/64 :: ");
}

TEST(Grouping, MergesByPathAndOrdersByOriginAS)
{
    GroupingMap map;
    const tag_field none = emptyTags;
    updateMap(map, items({{1, 0}, {2, 0}, {5, 0}}), none, v4(net10, 8), false);
    updateMap(map, items({{3, 0}, {5, 0}}), none, v4(net10, 8), false);
    updateMap(map, items({{4, 0}}), none, v4(net10, 8), false);
    updateMap(map, items({{1, 0}, {2, 0}, {5, 0}}), none, v4(net10_1, 16), false);
    // Same numbers, different flags: another path.
    updateMap(map, items({{3, 0}, {5, S}}), none, v4(net10, std::nullopt), false);
    EXPECT_EQ(map.paths(), 4U);

    captured c;
    printMap(c.stream(), map, false, false, true, false);
    EXPECT_EQ(c.text(), "1\t4\t10.0.0.0/8 \n"
                        "2\t1 2 5\t10.0.0.0/8 10.1.0.0/16 \n"
                        "1\t3 5\t10.0.0.0/8 \n"
                        "1\t3 (5)\t10.0.0.0 \n");
    EXPECT_TRUE(map.isEmpty());
}

TEST(Grouping, TagsMergeAndUniqueComparesOnlyTheLastPrefix)
{
    const auto p = items({{100, 0}, {100, 0}, {200, 0}});
    for (const bool unique : {false, true}) {
        GroupingMap map;
        updateMap(map, p, tagsOf(" P    "), v4(net10, 8), unique);
        updateMap(map, p, tagsOf("C     "), v4(net10, 8), unique);     // same prefix again
        updateMap(map, p, emptyTags, v4(net10, std::nullopt), unique); // without length: differs
        updateMap(map, p, emptyTags, v4(net10_1, 16), unique);
        updateMap(map, p, emptyTags, v4(net10, 8), unique); // recurs after another
        captured c;
        printMap(c.stream(), map, true, false, true, false);
        const std::string prefixes = unique ? "10.0.0.0/8 10.0.0.0 10.1.0.0/16 10.0.0.0/8 "
                                            : "10.0.0.0/8 10.0.0.0/8 10.0.0.0 10.1.0.0/16 10.0.0.0/8 ";
        EXPECT_EQ(c.text(), "5\tCP    \t100 100 200\t" + prefixes + "\n") << unique;
    }
}

} // namespace
