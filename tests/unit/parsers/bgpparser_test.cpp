// The BGP table dump parser over small listings written as data, and over
// random listings rendered from known routes.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parsers/fileparsers.h"
#include "parsers/textscan.h"
#include "testinput.h"

namespace {

// Caption columns of the header below: Network 4, Next Hop 21, Metric 41,
// LocPrf 48, Weight 55, Path 62.
const std::string header = "   Network          Next Hop            Metric LocPrf Weight Path\n";
constexpr int nextHopColumn = 21;
constexpr int metricEnd = 46;
constexpr int locPrfEnd = 53;
constexpr int weightEnd = 60;
constexpr int pathColumn = 62;

// Builds a route line column by column (columns count from 1).
class Row {
public:
    explicit Row(std::string_view status = "") : text(status) {}
    Row& at(int column, std::string_view value)
    {
        const auto start = static_cast<std::size_t>(column - 1);
        if (text.size() < start)
            text.resize(start, ' ');
        text.replace(start, std::min(value.size(), text.size() - start), value);
        return *this;
    }
    Row& endingAt(int column, std::string_view value)
    {
        return at(column - static_cast<int>(value.size()) + 1, value);
    }
    std::string line() const { return text + "\n"; }

private:
    std::string text;
};

std::vector<ASItem> items(List<ASItem> path)
{
    std::vector<ASItem> out;
    for (bool more = !path.isEmpty(); more; more = path.next())
        out.push_back(path.current());
    return out;
}

std::string addressText(IPAddress address)
{
    const std::uint8_t* o = address.getAddress();
    return std::to_string(o[0]) + "." + std::to_string(o[1]) + "." + std::to_string(o[2]) + "." + std::to_string(o[3]);
}

// A parser opened on `header` followed by one route line with `path` in
// the path column; the result of its parseLine.
int parsePathColumn(bgpParser& parser, std::string_view path)
{
    const std::string text = header + Row("*>").at(4, "10.0.0.0/8").at(nextHopColumn, "1.1.1.1").at(pathColumn, path).line();
    EXPECT_TRUE(openText(parser, text));
    EXPECT_EQ(parser.nextLine(), Parser::lineReady);
    return parser.parseLine();
}

TEST(BgpParser, ReadsTheColumnsOfATable)
{
    const std::string text = "BGP table version is 7, local router ID is 10.0.0.1\n"
                             "Status codes: s suppressed, d damped, h history, * valid, > best\n" + header +
                             Row("*>").at(4, "10.0.0.0/8").at(nextHopColumn, "192.168.1.1").endingAt(metricEnd, "0")
                                 .endingAt(weightEnd, "0").at(pathColumn, "100 200 i").line() +
                             Row("*").at(nextHopColumn, "192.168.1.2").endingAt(metricEnd, "0")
                                 .endingAt(weightEnd, "0").at(pathColumn, "300 200 i").line();
    bgpParser parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    const auto& route = parser.parsed;
    EXPECT_EQ(route.network, IPAddress(10, 0, 0, 0));
    ASSERT_TRUE(route.routeMask);
    EXPECT_EQ(route.routeMask->brief(), 8);
    EXPECT_EQ(route.nextHop, IPAddress(192, 168, 1, 1));
    EXPECT_EQ(route.metric, 0u);
    EXPECT_EQ(route.weight, 0);
    EXPECT_FALSE(route.localPref);
    EXPECT_EQ(route.status, 0x18);
    EXPECT_EQ(route.origin, bgpParser::ORIGIN_IGP);
    EXPECT_EQ(items(route.path), (std::vector<ASItem>{{100, 0}, {200, 0}}));

    // A blank network column: another path to the previous network.
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(route.network, IPAddress(10, 0, 0, 0));
    EXPECT_EQ(route.routeMask->brief(), 8);
    EXPECT_EQ(route.nextHop, IPAddress(192, 168, 1, 2));
    EXPECT_EQ(route.status, bgpParser::STATUS_VALID);
    EXPECT_EQ(items(route.path), (std::vector<ASItem>{{300, 0}, {200, 0}}));

    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.parsedLines(), 2u);
    EXPECT_EQ(parser.readLines(), 5u);
}

TEST(BgpParser, NetworksAndNextHops)
{
    struct Case {
        std::string network;
        std::string nextHop;
        int result;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"10.0.0.0", "1.2.3.4", 0, ""},
        {"0.0.0.0/0", "1.2.3.4", 0, ""},
        {"0x0A.0.0.010/8", "1.2.3.4", 0, ""}, // C integer notation: 10.0.0.8
        {"300.0.0.0/8", "1.2.3.4", 3, "Invalid network byte value: `300'"},
        {"10.0.0.0/33", "1.2.3.4", 3, "Invalid netmask value: `33'"},
        {"10.0.0/8", "1.2.3.4", 3, "Invalid network address/netmask: `10.0.0/8'"},
        {"10.0.x.0", "1.2.3.4", 3, "Invalid network address: `10.0.x.0'"},
        {"10.0.0.99999999999999999999", "1.2.3.4", 3, "Invalid network byte value: `9223372036854775807'"},
        {"10.0.0.0/8", "1.2.3", 3, "Invalid next hop: `1.2.3'"},
        {"10.0.0.0/8", "1.2.3.-4", 3, "Invalid next hop byte value: `-4'"},
    };
    for (const Case& c : cases) {
        bgpParser parser;
        const int shift = std::max(0, static_cast<int>(c.network.size()) - 16);
        const std::string text = header + Row("*>").at(4, c.network).at(nextHopColumn + shift, c.nextHop)
                                              .at(pathColumn + shift, "1 i").line();
        ASSERT_TRUE(openText(parser, text));
        ASSERT_EQ(parser.nextLine(), Parser::lineReady);
        EXPECT_EQ(parser.parseLine(), c.result) << c.network;
        EXPECT_EQ(parser.errReason(), c.reason) << c.network;
    }

    bgpParser parser;
    ASSERT_TRUE(openText(parser, header + Row("*>").at(4, "10.0.0.0").at(nextHopColumn, "1.2.3.4").at(pathColumn, "1").line() +
                                     Row("*>").at(4, "0.0.0.0/0").at(nextHopColumn, "1.2.3.4").at(pathColumn, "1").line()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_FALSE(parser.parsed.routeMask);
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    ASSERT_TRUE(parser.parsed.routeMask);
    EXPECT_EQ(*parser.parsed.routeMask, IPNetmask(0, 0, 0, 0));
}

TEST(BgpParser, LongNetworksShiftOrContinue)
{
    // 18 characters: everything after the network lies 2 columns further right.
    const std::string shifted = Row("*>").at(4, "192.168.100.128/25").at(nextHopColumn + 2, "10.0.0.1")
                                    .endingAt(metricEnd + 2, "5").endingAt(locPrfEnd + 2, "100")
                                    .endingAt(weightEnd + 2, "0").at(pathColumn + 2, "1 2 e").line();
    // The rest of the route on a later line, on unshifted columns, with a
    // short line and a pager line in between.
    const std::string pushed = Row("*>").at(4, "192.168.100.128/25").line() + "\n" + " --More-- \n" +
                               Row().at(nextHopColumn, "10.0.0.2").endingAt(metricEnd, "7").at(pathColumn, "3 4 ?").line();
    bgpParser parser;
    ASSERT_TRUE(openText(parser, header + shifted + pushed + Row("*>").at(4, "10.1.0.0/16").line()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.nextHop, IPAddress(10, 0, 0, 1));
    EXPECT_EQ(parser.parsed.metric, 5u);
    EXPECT_EQ(parser.parsed.localPref, 100);
    EXPECT_EQ(parser.parsed.origin, bgpParser::ORIGIN_EGP);
    EXPECT_EQ(parser.parsed.path.len(), 2u);

    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    const std::uint32_t before = parser.parsedLines();
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.network, IPAddress(192, 168, 100, 128));
    EXPECT_EQ(parser.parsed.routeMask->brief(), 25);
    EXPECT_EQ(parser.parsed.nextHop, IPAddress(10, 0, 0, 2));
    EXPECT_EQ(parser.parsed.metric, 7u);
    EXPECT_FALSE(parser.parsed.localPref);
    EXPECT_EQ(parser.parsed.origin, bgpParser::ORIGIN_INCOMPLETE);
    EXPECT_EQ(items(parser.parsed.path), (std::vector<ASItem>{{3, 0}, {4, 0}}));
    EXPECT_EQ(parser.parsedLines(), before + 4); // three lines looked at, one route

    // The input ends where the next hop was expected.
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(parser.parseLine(), Parser::endInRecord);
    EXPECT_STREQ(parser.errReason(), "Unexpected end of file (next hop expected)");
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    // Only real lines count: 1 header, 1 + 4 + 1 route lines.
    EXPECT_EQ(parser.readLines(), 7u);
}

TEST(BgpParser, PathAttributes)
{
    bgpParser parser;
    ASSERT_EQ(parsePathColumn(parser, "100 (65001 65002) 200 {300,400} ?"), Parser::parsedOk);
    EXPECT_EQ(items(parser.parsed.path),
              (std::vector<ASItem>{{100, 0}, {65001, ASItem::PRIVATE}, {65002, ASItem::PRIVATE}, {200, 0},
                                   {300, ASItem::IN_SET}, {400, ASItem::IN_SET}}));
    EXPECT_EQ(parser.parsed.origin, bgpParser::ORIGIN_INCOMPLETE);

    bgpParser groups;
    ASSERT_EQ(parsePathColumn(groups, "100 (200) 300 {64512} 65535 i"), Parser::parsedOk);
    EXPECT_EQ(items(groups.parsed.path),
              (std::vector<ASItem>{{100, 0}, {200, ASItem::PRIVATE}, {300, 0},
                                   {64512, ASItem::PRIVATE | ASItem::IN_SET}, {65535, ASItem::PRIVATE}}));
    EXPECT_EQ(groups.parsed.origin, bgpParser::ORIGIN_IGP);

    bgpParser onlyOrigin;
    ASSERT_EQ(parsePathColumn(onlyOrigin, "i"), Parser::parsedOk);
    EXPECT_TRUE(onlyOrigin.parsed.path.isEmpty());

    struct Case {
        std::string path;
        int result;
        std::string reason;
    };
    const std::vector<Case> failures = {
        {"(100 {200} 300)", 3, "Nested AS attributes"},
        {"{100 (200) 300}", 3, "Nested AS attributes"},
        {"100 (200", 4, "Parentheses mismatch in AS path"},
        {"100 {200", 4, "Parentheses mismatch in AS path"},
        {"100 200)", 4, "Parentheses mismatch in AS path"},
        {"(100 (200) i", 4, "Parentheses mismatch in AS path"},
        {"100 0", 3, "Invalid AS number or path flag: `0'"},
        {"100 65536", 3, "Invalid AS number or path flag: `65536'"},
        {"7018 4200000000 i", 3, "Invalid AS number or path flag: `4200000000'"},
        {"100 2x", 3, "Invalid AS number or path flag: `2x'"},
        {"100 ( 200", 3, "Invalid AS number or path flag: `('"},
    };
    for (const Case& c : failures) {
        bgpParser failing;
        EXPECT_EQ(parsePathColumn(failing, c.path), c.result) << c.path;
        EXPECT_EQ(failing.errReason(), c.reason) << c.path;
    }
}

TEST(BgpParser, NumberColumns)
{
    const auto route = [](std::string_view metric, std::string_view locPrf, std::string_view weight) {
        return Row("*").at(4, "10.0.0.0/8").at(nextHopColumn, "1.1.1.1").endingAt(metricEnd, metric)
            .endingAt(locPrfEnd, locPrf).endingAt(weightEnd, weight).at(pathColumn, "1 i").line();
    };
    bgpParser parser;
    ASSERT_TRUE(openText(parser, header + route("4294967295", "100", "32768") + route("", "", "") +
                                     route("99999999999", "0", "65535")));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.metric, 4294967295u); // wider than its caption
    EXPECT_EQ(parser.parsed.localPref, 100);
    EXPECT_EQ(parser.parsed.weight, 32768);
    // Blank columns leave no stale values of the route before.
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_FALSE(parser.parsed.metric);
    EXPECT_FALSE(parser.parsed.localPref);
    EXPECT_FALSE(parser.parsed.weight);
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.metric, 99999999999u);

    struct Case {
        std::string line;
        std::string reason;
    };
    const std::vector<Case> failures = {
        {route("-5", "", "0"), "Invalid metric value: `-5'"},
        {route("1x", "", "0"), "Invalid metric value: `1x'"},
        {route("0", "65536", "0"), "Invalid local preference value: `65536'"},
        {route("0", "-1", "0"), "Invalid local preference value: `-1'"},
        {route("0", "", "9e9"), "Invalid weight value: `9e9'"},
    };
    for (const Case& c : failures) {
        bgpParser failing;
        ASSERT_TRUE(openText(failing, header + c.line));
        ASSERT_EQ(failing.nextLine(), Parser::lineReady);
        EXPECT_EQ(failing.parseLine(), Parser::badValue) << c.line;
        EXPECT_EQ(failing.errReason(), c.reason);
    }
}

TEST(BgpParser, StatusCharacters)
{
    const auto route = [](std::string_view status) {
        return Row(status).at(4, "10.0.0.0/8").at(nextHopColumn, "1.1.1.1").at(pathColumn, "1 i").line();
    };
    bgpParser parser;
    ASSERT_TRUE(openText(parser, header + route("*>i") + route("*=") + route("r>") + route("R") + route("sdh") +
                                     route("S  ") + route("**>") + route("*>")));
    const std::vector<std::uint16_t> expected = {0x38, 0x88, 0x110, 0x200, 0x07, 0x40};
    for (const std::uint16_t bits : expected) {
        ASSERT_EQ(parser.nextLine(), Parser::lineReady);
        ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
        EXPECT_EQ(parser.parsed.status, bits);
    }
    // A repeated status character is no route line and closes the table.
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.readLines(), 9u);
}

TEST(BgpParser, TablesOpenAndClose)
{
    const std::string route = Row("*>").at(4, "10.0.0.0/8").at(nextHopColumn, "1.1.1.1").at(pathColumn, "1 i").line();
    const std::string other = Row("*>").at(4, "10.2.0.0/16").at(nextHopColumn, "1.1.1.1").at(pathColumn, "2 i").line();
    // Before any header route lines are ignored; a summary line closes the
    // table until a pager line reopens it with the same columns.
    bgpParser parser;
    ASSERT_TRUE(openText(parser, route + header + route + "Total number of prefixes 2\n" + other + " --More-- \n" +
                                     other + "ab\n" + other));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.network, IPAddress(10, 0, 0, 0));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.network, IPAddress(10, 2, 0, 0));
    // The short line "ab" does not close it.
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);

    // A pager line before any header opens a table without columns.
    bgpParser noColumns;
    ASSERT_TRUE(openText(noColumns, "--More--\n" + route));
    ASSERT_EQ(noColumns.nextLine(), Parser::lineReady);
    EXPECT_EQ(noColumns.parseLine(), Parser::badStructure);
    EXPECT_STREQ(noColumns.errReason(), "Could not determine position of network field");

    // No header at all: nothing is returned.
    bgpParser noHeader;
    ASSERT_TRUE(openText(noHeader, route + other));
    EXPECT_EQ(noHeader.nextLine(), Parser::endOfInput);
    EXPECT_EQ(noHeader.readLines(), 2u);

    // A blank network needs a network before it; a table closed and
    // reopened between two routes keeps the last one.
    const std::string blankRoute = Row("*").at(nextHopColumn, "1.1.1.2").at(pathColumn, "3").line();
    bgpParser blankFirst;
    ASSERT_TRUE(openText(blankFirst, header + blankRoute + route + "Displayed 1 routes\n" + header + blankRoute));
    ASSERT_EQ(blankFirst.nextLine(), Parser::lineReady);
    EXPECT_EQ(blankFirst.parseLine(), Parser::badStructure);
    EXPECT_STREQ(blankFirst.errReason(), "Could not retrieve any previous network value");
    ASSERT_EQ(blankFirst.nextLine(), Parser::lineReady);
    ASSERT_EQ(blankFirst.parseLine(), Parser::parsedOk);
    ASSERT_EQ(blankFirst.nextLine(), Parser::lineReady);
    ASSERT_EQ(blankFirst.parseLine(), Parser::parsedOk);
    EXPECT_EQ(blankFirst.parsed.network, IPAddress(10, 0, 0, 0));

    // Three blanks and a line end: the previous network, next hop on the next line.
    bgpParser blanks;
    ASSERT_TRUE(openText(blanks, header + route + "   \n" + Row().at(nextHopColumn, "2.2.2.2").at(pathColumn, "9 i").line()));
    ASSERT_EQ(blanks.nextLine(), Parser::lineReady);
    ASSERT_EQ(blanks.parseLine(), Parser::parsedOk);
    ASSERT_EQ(blanks.nextLine(), Parser::lineReady);
    ASSERT_EQ(blanks.parseLine(), Parser::parsedOk) << blanks.errReason();
    EXPECT_EQ(blanks.parsed.network, IPAddress(10, 0, 0, 0));
    EXPECT_EQ(blanks.parsed.nextHop, IPAddress(2, 2, 2, 2));
    EXPECT_EQ(blanks.parsed.path.first().asn, 9);

    bgpParser closed;
    EXPECT_EQ(closed.parseLine(), Parser::notOpen);
    ASSERT_TRUE(openText(closed, header));
    EXPECT_EQ(closed.parseLine(), Parser::noLine);
    EXPECT_STREQ(closed.errReason(), "There is no current line to be parsed");
}

// Numbers of any size saturate or are refused; none wraps around.
TEST(BgpParser, NumbersNeverWrap)
{
    EXPECT_EQ(textscan::unsignedValue("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(textscan::unsignedValue("18446744073709551616"));
    EXPECT_FALSE(textscan::unsignedValue("-1"));
    EXPECT_EQ(textscan::decimalValue("-99999999999999999999"), INT64_MIN + 1);
    EXPECT_FALSE(textscan::asNumberValue<asnum_t>("4294967297", 1)); // 2^32 + 1 is not AS 1
    long long value = 0;
    std::size_t pos = 0;
    ASSERT_TRUE(textscan::scanInteger(" -0x1F.", pos, value));
    EXPECT_EQ(value, -31);
    EXPECT_EQ(pos, 6u);
    pos = 0;
    ASSERT_TRUE(textscan::scanInteger("019", pos, value)); // octal stops at the 9
    EXPECT_EQ(value, 1);
    EXPECT_EQ(pos, 2u);
}

// Random listings rendered from known routes: every feature of the layout
// mixed, over enough lines to cross the reader's buffer boundaries.
TEST(BgpParser, RandomListingsRoundTrip)
{
    struct Route {
        IPAddress network;
        int length; // -1: printed without a length
        bool sameNetwork;
        IPAddress nextHop;
        std::string status;
        std::optional<std::uint64_t> metric;
        std::optional<std::int32_t> localPref;
        std::optional<std::int32_t> weight;
        std::vector<ASItem> path;
        std::uint8_t origin;
    };
    std::mt19937 random(12345);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const auto address = [&] {
        return IPAddress(static_cast<std::uint8_t>(pick(0, 255)), static_cast<std::uint8_t>(pick(0, 255)),
                         static_cast<std::uint8_t>(pick(0, 255)), static_cast<std::uint8_t>(pick(0, 255)));
    };
    const std::vector<std::string> statuses = {"*>", "*", "*>i", "*=", "r>", "R", "s>", "d", "h", "S", "* i"};

    std::vector<Route> routes;
    std::string text = "BGP table version is 1\n\n" + header;
    for (int n = 0; n < 20000; ++n) {
        Route r;
        r.sameNetwork = n > 0 && pick(0, 2) == 0;
        if (r.sameNetwork) {
            r.network = routes.back().network;
            r.length = routes.back().length;
        } else {
            r.network = address();
            r.length = pick(-1, 32);
        }
        r.nextHop = address();
        r.status = statuses[static_cast<std::size_t>(pick(0, static_cast<int>(statuses.size()) - 1))];
        if (pick(0, 3) > 0)
            r.metric = pick(0, 3) == 0 ? std::uint64_t{4000000000} + static_cast<std::uint64_t>(pick(0, 99999)) : pick(0, 999);
        if (pick(0, 1) == 0)
            r.localPref = pick(0, 65535);
        if (pick(0, 3) > 0)
            r.weight = pick(0, 65535);
        std::string path;
        for (int i = pick(0, 8); i > 0; --i) {
            const int kind = pick(0, 9);
            std::string group;
            const int members = pick(1, 3);
            for (int m = 0; m < members; ++m) {
                const auto asn = static_cast<asnum_t>(pick(1, 65535));
                std::uint8_t flags = asn >= 64512 ? ASItem::PRIVATE : 0;
                if (kind == 0)
                    flags |= ASItem::PRIVATE;
                if (kind == 1)
                    flags |= ASItem::IN_SET;
                r.path.push_back({asn, flags});
                if (m > 0)
                    group += kind == 1 && pick(0, 1) ? "," : " ";
                group += std::to_string(asn);
                if (kind > 1)
                    break;
            }
            if (kind == 0)
                group = std::string("(").append(group).append(")");
            if (kind == 1)
                group = std::string("{").append(group).append("}");
            path += group + " ";
        }
        r.origin = static_cast<std::uint8_t>(1 << pick(0, 2));
        path += std::string(1, "ie?"[r.origin == 1 ? 0 : r.origin == 2 ? 1 : 2]);

        std::string network;
        if (!r.sameNetwork) {
            network = addressText(r.network);
            if (r.length >= 0)
                network.append("/").append(std::to_string(r.length));
        }
        const bool pushed = network.size() > 16 && pick(0, 1) == 0;
        const int shift = network.size() > 16 && !pushed ? static_cast<int>(network.size()) - 16 : 0;
        Row first(r.status);
        first.at(4, network);
        Row rest(r.status);
        if (pushed) {
            text += first.line();
            if (pick(0, 3) == 0)
                text += pick(0, 1) ? "\n" : "--More--\n";
            rest = Row();
        } else {
            rest = first;
        }
        rest.at(nextHopColumn + shift, addressText(r.nextHop));
        if (r.metric)
            rest.endingAt(metricEnd + shift, std::to_string(*r.metric));
        if (r.localPref)
            rest.endingAt(locPrfEnd + shift, std::to_string(*r.localPref));
        if (r.weight)
            rest.endingAt(weightEnd + shift, std::to_string(*r.weight));
        rest.at(pathColumn + shift, path);
        text += rest.line();
        if (pick(0, 50) == 0)
            text += " --More-- \n";
        routes.push_back(r);
    }
    text += "\nTotal number of prefixes 20000\n";

    bgpParser parser;
    ASSERT_TRUE(openText(parser, text));
    for (const Route& r : routes) {
        ASSERT_EQ(parser.nextLine(), Parser::lineReady);
        ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason() << "\n" << parser.currentLine();
        const auto& got = parser.parsed;
        ASSERT_EQ(got.network, r.network) << parser.currentLine();
        ASSERT_EQ(got.routeMask.has_value(), r.length >= 0);
        if (r.length >= 0) {
            ASSERT_EQ(got.routeMask->brief(), r.length);
        }
        ASSERT_EQ(got.nextHop, r.nextHop);
        ASSERT_EQ(got.metric, r.metric) << parser.currentLine();
        ASSERT_EQ(got.localPref, r.localPref) << parser.currentLine();
        ASSERT_EQ(got.weight, r.weight) << parser.currentLine();
        ASSERT_EQ(items(got.path), r.path) << parser.currentLine();
        ASSERT_EQ(got.origin, r.origin);
        std::uint16_t status = 0;
        for (const char c : r.status)
            if (c != ' ')
                status = static_cast<std::uint16_t>(status | 1u << bgpParser::routeStatCodes.find(c));
        ASSERT_EQ(got.status, status);
    }
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.filePos(), text.size());
}

} // namespace
