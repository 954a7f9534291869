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
        if (text.size() < start) text.resize(start, ' ');
        text.replace(start, std::min(value.size(), text.size() - start), value);
        return *this;
    }
    Row& endingAt(int column, std::string_view value) { return at(column - static_cast<int>(value.size()) + 1, value); }
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

// A route line; a network longer than 16 characters shifts the rest.
std::string route(std::string_view network, std::string_view path, std::string_view nextHop = "1.1.1.1",
                  std::string_view metric = "", std::string_view locPrf = "", std::string_view weight = "")
{
    const int shift = std::max(0, static_cast<int>(network.size()) - 16);
    return Row("*>")
        .at(4, network)
        .at(nextHopColumn + shift, nextHop)
        .endingAt(metricEnd + shift, metric)
        .endingAt(locPrfEnd + shift, locPrf)
        .endingAt(weightEnd + shift, weight)
        .at(pathColumn + shift, path)
        .line();
}

// Opens `parser` on the header and `lines` and parses the first route.
int parseFirst(bgpParser& parser, const std::string& lines)
{
    EXPECT_TRUE(openText(parser, header + lines));
    EXPECT_EQ(parser.nextLine(), Parser::lineReady);
    return parser.parseLine();
}

TEST(BgpParser, ReadsTheColumnsOfATable)
{
    const std::string text = "BGP table version is 7, local router ID is 10.0.0.1\n"
                             "Status codes: s suppressed, d damped, h history, * valid, > best\n" +
                             header + route("10.0.0.0/8", "100 200 i", "192.168.1.1", "0", "", "0") +
                             Row("*")
                                 .at(nextHopColumn, "192.168.1.2")
                                 .endingAt(metricEnd, "0")
                                 .endingAt(weightEnd, "0")
                                 .at(pathColumn, "300 200 i")
                                 .line();
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

TEST(BgpParser, RefusesBadFieldsWithTheirReason)
{
    struct Case {
        std::string line;
        int result;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {route("300.0.0.0/8", "1"), 3, "Invalid network byte value: `300'"},
        {route("10.0.0.0/33", "1"), 3, "Invalid netmask value: `33'"},
        {route("10.0.0/8", "1"), 3, "Invalid network address/netmask: `10.0.0/8'"},
        {route("10.0.x.0", "1"), 3, "Invalid network address: `10.0.x.0'"},
        {route("10.0.0.99999999999999999999", "1"), 3, "Invalid network byte value: `9223372036854775807'"},
        {route("10.0.0.0", "1", "1.2.3"), 3, "Invalid next hop: `1.2.3'"},
        {route("10.0.0.0", "1", "1.2.3.-4"), 3, "Invalid next hop byte value: `-4'"},
        {route("10.0.0.0", "1", "1.1.1.1", "-5"), 3, "Invalid metric value: `-5'"},
        {route("10.0.0.0", "1", "1.1.1.1", "1x"), 3, "Invalid metric value: `1x'"},
        {route("10.0.0.0", "1", "1.1.1.1", "", "-1"), 3, "Invalid local preference value: `-1'"},
        {route("10.0.0.0", "1", "1.1.1.1", "", "", "9e9"), 3, "Invalid weight value: `9e9'"},
        {route("10.0.0.0", "(100 {200} 300)"), 3, "Nested AS attributes"},
        {route("10.0.0.0", "{100 (200) 300}"), 3, "Nested AS attributes"},
        {route("10.0.0.0", "100 (200"), 4, "Parentheses mismatch in AS path"},
        {route("10.0.0.0", "100 200}"), 4, "Parentheses mismatch in AS path"},
        {route("10.0.0.0", "(100 (200) i"), 4, "Parentheses mismatch in AS path"},
        {route("10.0.0.0", "100 0"), 3, "Invalid AS number or path flag: `0'"},
        {route("10.0.0.0", "7018 4200000000 i"), 3, "Invalid AS number or path flag: `4200000000'"},
        {route("10.0.0.0", "100 ( 200"), 3, "Invalid AS number or path flag: `('"},
        {Row("*>").at(4, "10.0.0.0").at(nextHopColumn, "1.1.1.1").line(), 4, "No AS path"},
    };
    for (const Case& c : cases) {
        bgpParser parser;
        EXPECT_EQ(parseFirst(parser, c.line), c.result) << c.line;
        EXPECT_EQ(parser.errReason(), c.reason) << c.line;
    }
}

TEST(BgpParser, PathAttributes)
{
    bgpParser parser;
    ASSERT_EQ(parseFirst(parser, route("0x0A.0.0.010/0", "100 (65001 65002) 200 {300,400} ?")), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.network, IPAddress(10, 0, 0, 8)); // C integer notation
    EXPECT_EQ(*parser.parsed.routeMask, IPNetmask(0, 0, 0, 0));
    EXPECT_EQ(items(parser.parsed.path), (std::vector<ASItem>{{100, 0},
                                                              {65001, ASItem::PRIVATE},
                                                              {65002, ASItem::PRIVATE},
                                                              {200, 0},
                                                              {300, ASItem::IN_SET},
                                                              {400, ASItem::IN_SET}}));
    EXPECT_EQ(parser.parsed.origin, bgpParser::ORIGIN_INCOMPLETE);

    bgpParser groups;
    ASSERT_EQ(parseFirst(groups, route("10.0.0.0", "100 (200) 300 {64512} 65535 i")), Parser::parsedOk);
    EXPECT_FALSE(groups.parsed.routeMask);
    EXPECT_EQ(items(groups.parsed.path), (std::vector<ASItem>{{100, 0},
                                                              {200, ASItem::PRIVATE},
                                                              {300, 0},
                                                              {64512, ASItem::PRIVATE | ASItem::IN_SET},
                                                              {65535, ASItem::PRIVATE}}));
}

TEST(BgpParser, TablesContinuationsAndStatus)
{
    const std::string first = route("10.0.0.0/8", "1 i");
    const std::string other = route("10.2.0.0/16", "2 i");
    // Routes before a header are ignored; a summary line closes the table
    // until a pager line reopens it; short lines close nothing; the status
    // characters of today's listings are routes, a repeated one is not.
    bgpParser parser;
    ASSERT_TRUE(openText(parser, first + header + first + "Total number of prefixes 2\n" + other + " --More-- \n" +
                                     "ab\n" + Row("r>").at(nextHopColumn, "1.1.1.1").at(pathColumn, "3").line() +
                                     Row("*=").at(nextHopColumn, "1.1.1.1").at(pathColumn, "3").line() +
                                     Row("R").at(nextHopColumn, "1.1.1.1").at(pathColumn, "3").line() +
                                     Row("**>").at(nextHopColumn, "1.1.1.1").at(pathColumn, "3").line() + other));
    for (const std::uint16_t status : {0x18, 0x110, 0x88, 0x200}) {
        ASSERT_EQ(parser.nextLine(), Parser::lineReady);
        ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
        EXPECT_EQ(parser.parsed.status, status);
        EXPECT_EQ(parser.parsed.network, IPAddress(10, 0, 0, 0));
    }
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);

    // The rest of a long network's route on a later line (short and pager
    // lines between), or three blanks standing for the previous network;
    // the input may end where the next hop was expected.
    bgpParser continued;
    ASSERT_TRUE(openText(
        continued, header + Row("*>").at(4, "192.168.100.128/25").line() + "\n--More--\n" +
                       Row().at(nextHopColumn, "10.0.0.2").endingAt(metricEnd, "7").at(pathColumn, "3 4 e").line() +
                       "   \n" + route("", "5 i", "10.0.0.3") + Row("*").at(4, "10.9.0.0/16").line()));
    ASSERT_EQ(continued.nextLine(), Parser::lineReady);
    ASSERT_EQ(continued.parseLine(), Parser::parsedOk) << continued.errReason();
    EXPECT_EQ(continued.parsed.routeMask->brief(), 25);
    EXPECT_EQ(continued.parsed.nextHop, IPAddress(10, 0, 0, 2));
    EXPECT_EQ(continued.parsed.metric, 7u);
    EXPECT_EQ(continued.parsedLines(), 4u); // three lines looked at, one route
    ASSERT_EQ(continued.nextLine(), Parser::lineReady);
    ASSERT_EQ(continued.parseLine(), Parser::parsedOk) << continued.errReason();
    EXPECT_EQ(continued.parsed.network, IPAddress(192, 168, 100, 128));
    EXPECT_EQ(continued.parsed.nextHop, IPAddress(10, 0, 0, 3));
    ASSERT_EQ(continued.nextLine(), Parser::lineReady);
    EXPECT_EQ(continued.parseLine(), Parser::endInRecord);
    EXPECT_STREQ(continued.errReason(), "Unexpected end of file (next hop expected)");
    EXPECT_EQ(continued.nextLine(), Parser::endOfInput);
    EXPECT_EQ(continued.readLines(), 8u); // only lines that exist count

    // A pager line before any header opens a table without columns; a blank
    // network needs one before it.
    bgpParser pagerFirst;
    ASSERT_TRUE(openText(pagerFirst, "--More--\n" + first));
    ASSERT_EQ(pagerFirst.nextLine(), Parser::lineReady);
    EXPECT_EQ(pagerFirst.parseLine(), Parser::badStructure);
    EXPECT_STREQ(pagerFirst.errReason(), "Could not determine position of network field");
    bgpParser blankFirst;
    EXPECT_EQ(parseFirst(blankFirst, route("", "1")), Parser::badStructure);
    EXPECT_STREQ(blankFirst.errReason(), "Could not retrieve any previous network value");
    bgpParser noHeader;
    ASSERT_TRUE(openText(noHeader, first + other));
    EXPECT_EQ(noHeader.nextLine(), Parser::endOfInput);
    EXPECT_EQ(noHeader.parseLine(), Parser::noLine);
}

// Numbers of any size saturate or are refused; none wraps around.
TEST(BgpParser, NumbersNeverWrap)
{
    EXPECT_EQ(textscan::unsignedValue("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(textscan::unsignedValue("18446744073709551616"));
    EXPECT_FALSE(textscan::unsignedValue("-1"));
    EXPECT_EQ(textscan::decimalValue("-99999999999999999999"), INT64_MIN + 1);
    EXPECT_FALSE(asnumber::parse("4294967297", asnumber::wideRange)); // 2^32 + 1 is not AS 1
    long long value = 0;
    std::size_t pos = 0;
    ASSERT_TRUE(textscan::scanInteger(" -0x1F.", pos, value));
    EXPECT_EQ(value, -31);
    EXPECT_EQ(pos, 6u);
    pos = 0;
    ASSERT_TRUE(textscan::scanInteger("019", pos, value)); // octal stops at the 9
    EXPECT_EQ(value, 1);
}

// Random listings rendered from known routes: every feature of the layout
// mixed, over enough lines to cross the reader's buffer boundaries. Modern
// mode must read the same classic listing alike, and its own additions
// (32-bit ASs in both notations, today's status characters) as well.
void randomListingRoundTrip(bool modern)
{
    struct Route {
        IPAddress network;
        int length; // -1: printed without a length
        bool sameNetwork;
        IPAddress nextHop;
        std::string status;
        std::optional<std::uint64_t> metric;
        std::optional<std::uint32_t> localPref;
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
    std::vector<std::string> statuses = {"*>", "*", "*>i", "*=", "r>", "R", "s>", "d", "h", "S", "* i"};
    if (modern)
        statuses.insert(statuses.end(),
                        {"V*>", "N*", "I*", "*>e", "*|l", "*&", "#*", "*>E", "*m", "*bx", "f t", "L*a", "c*"});
    std::uniform_int_distribution<asnum_t> wideAS(65536, 4294967295U);

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
            r.metric =
                pick(0, 3) == 0 ? std::uint64_t{4000000000} + static_cast<std::uint64_t>(pick(0, 99999)) : pick(0, 999);
        if (pick(0, 1) == 0) r.localPref = static_cast<std::uint32_t>(pick(0, 65535));
        if (pick(0, 3) > 0) r.weight = pick(0, 65535);
        std::string path;
        for (int i = pick(0, 8); i > 0; --i) {
            const int kind = pick(0, 9);
            std::string group;
            const int members = pick(1, 3);
            for (int m = 0; m < members; ++m) {
                const asnum_t asn = modern && pick(0, 2) == 0 ? wideAS(random) : static_cast<asnum_t>(pick(1, 65535));
                std::uint8_t flags = asnumber::isPrivate(asn) ? ASItem::PRIVATE : 0;
                if (kind == 0) flags |= ASItem::PRIVATE;
                if (kind == 1) flags |= ASItem::IN_SET;
                r.path.push_back({asn, flags});
                if (m > 0) group += kind == 1 && pick(0, 1) ? "," : " ";
                group += asn > 65535 && pick(0, 1) ? std::to_string(asn >> 16) + "." + std::to_string(asn & 0xFFFF)
                                                   : std::to_string(asn);
                if (kind > 1) break;
            }
            if (kind == 0) group = std::string("(").append(group).append(")");
            if (kind == 1) group = std::string("{").append(group).append("}");
            path += group + " ";
        }
        r.origin = static_cast<std::uint8_t>(1 << pick(0, 2));
        path += std::string(1, "ie?"[r.origin == 1 ? 0 : r.origin == 2 ? 1 : 2]);

        std::string network;
        if (!r.sameNetwork) {
            network = addressText(r.network);
            if (r.length >= 0) network.append("/").append(std::to_string(r.length));
        }
        const bool pushed = network.size() > 16 && pick(0, 1) == 0;
        const int shift = network.size() > 16 && !pushed ? static_cast<int>(network.size()) - 16 : 0;
        Row first(r.status);
        first.at(4, network);
        Row rest(r.status);
        if (pushed) {
            text += first.line();
            if (pick(0, 3) == 0) text += pick(0, 1) ? "\n" : "--More--\n";
            rest = Row();
        } else {
            rest = first;
        }
        rest.at(nextHopColumn + shift, addressText(r.nextHop));
        if (r.metric) rest.endingAt(metricEnd + shift, std::to_string(*r.metric));
        if (r.localPref) rest.endingAt(locPrfEnd + shift, std::to_string(*r.localPref));
        if (r.weight) rest.endingAt(weightEnd + shift, std::to_string(*r.weight));
        rest.at(pathColumn + shift, path);
        text += rest.line();
        if (pick(0, 50) == 0) text += " --More-- \n";
        routes.push_back(r);
    }
    text += "\nTotal number of prefixes 20000\n";

    bgpParser parser;
    parser.setModern(modern);
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
        std::uint32_t status = 0;
        for (const char c : r.status)
            if (c != ' ') status |= 1u << bgpParser::statusCodes.find(c);
        ASSERT_EQ(got.status, status);
    }
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.filePos(), text.size());
}

TEST(BgpParser, RandomListingsRoundTrip) { randomListingRoundTrip(false); }

TEST(BgpParser, RandomListingsRoundTripModern) { randomListingRoundTrip(true); }

} // namespace
