// The auxiliary record parsers: which lines they take, what they store, and
// the message of every refusal.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parsers/fileparsers.h"
#include "testinput.h"

namespace {

std::vector<asnum_t> values(List<asnum_t> list)
{
    std::vector<asnum_t> out;
    for (bool more = !list.isEmpty(); more; more = list.next())
        out.push_back(list.current());
    return out;
}

// Opens `parser` on the single line `line` and parses it.
template <typename P>
int parseOne(P& parser, const std::string& line)
{
    EXPECT_TRUE(openText(parser, line + "\n"));
    EXPECT_EQ(parser.nextLine(), Parser::lineReady) << line;
    return parser.parseLine();
}

TEST(SatParser, EdgeLines)
{
    satParser parser;
    ASSERT_EQ(parseOne(parser, "10 x 20 a b c 1 0.5 y 0.25"), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.fromAS, 10);
    EXPECT_EQ(parser.parsed.toAS, 20);
    EXPECT_FALSE(parser.parsed.zeroFlag);
    EXPECT_EQ(parser.parsed.covering1, 0.5);
    EXPECT_EQ(parser.parsed.covering2, 0.25);
    EXPECT_FALSE(parser.parsed.peering);
    EXPECT_FALSE(parser.parsed.badPath);

    // A line without coverings drops the values of the line before.
    satParser same;
    ASSERT_TRUE(openText(same, "10 x 20 a b c 1 0.5 y 0.25\n10\tx\t20 a b c 0\n"));
    ASSERT_EQ(same.nextLine(), Parser::lineReady);
    ASSERT_EQ(same.parseLine(), Parser::parsedOk);
    ASSERT_EQ(same.nextLine(), Parser::lineReady);
    ASSERT_EQ(same.parseLine(), Parser::parsedOk);
    EXPECT_TRUE(same.parsed.zeroFlag);
    EXPECT_FALSE(same.parsed.covering1);
    EXPECT_FALSE(same.parsed.covering2);

    struct Case {
        std::string line;
        int result;
        std::string reason;
    };
    const std::vector<Case> failures = {
        {"10 x 20 a b c 2", 3, "Invalid reversed flag: `2'"},
        {"10 x 20 a b", 4, "Unable to retrieve reversed flag"},
        {"10 x 20 a b c 1 0.5 y", 4, "Unable to retrieve edge covering properties"},
        {"10 x 20 a b c 1 -0.5 y 1", 3, "Invalid edge covering value: `-0.5'"},
        {"10 x 20 a b c 1 nan y 1", 3, "Invalid edge covering value: `nan'"},
        {"10 x 20 a b c 1 1 y 1e999", 3, "Invalid edge covering value: `1e999'"},
        {"10 x 20 a b c 1 1 y 0.5kg", 3, "Invalid edge covering value: `0.5kg'"},
        {"0 x 20 a b c 1", 3, "Invalid AS number: `0'"},
        {"10 x 65536 a b c 1", 3, "Invalid AS number: `65536'"},
        {"10 xyz", 4, "Unable to retrieve `to' AS number"},
        {"      \t", 4, "Line appears to be empty"},
    };
    for (const Case& c : failures) {
        satParser failing;
        EXPECT_EQ(parseOne(failing, c.line), c.result) << c.line;
        EXPECT_EQ(failing.errReason(), c.reason) << c.line;
    }
    // The covering read before the failure stays.
    satParser partial;
    ASSERT_EQ(parseOne(partial, "10 x 20 a b c 1 0.5 y"), Parser::badStructure);
    EXPECT_EQ(partial.parsed.covering1, 0.5);
}

TEST(SatParser, MarkedLines)
{
    satParser peering;
    ASSERT_EQ(parseOne(peering, "candidate peering 7 - 9 1.5 - 2"), Parser::parsedOk) << peering.errReason();
    EXPECT_TRUE(peering.parsed.peering);
    EXPECT_EQ(peering.parsed.fromAS, 7);
    EXPECT_EQ(peering.parsed.toAS, 9);
    EXPECT_EQ(peering.parsed.covering1, 1.5);
    EXPECT_EQ(peering.parsed.covering2, 2.0);

    satParser bad;
    ASSERT_EQ(parseOne(bad, "bad path: 1 2 3"), Parser::parsedOk);
    EXPECT_TRUE(bad.parsed.badPath);
    EXPECT_EQ(values(bad.parsed.asPath), (std::vector<asnum_t>{1, 2, 3}));

    satParser badZero;
    EXPECT_EQ(parseOne(badZero, "bad path: 1 0 3"), Parser::badValue);
    EXPECT_STREQ(badZero.errReason(), "Invalid AS number in bad AS path: `0'");
    EXPECT_EQ(values(badZero.parsed.asPath), (std::vector<asnum_t>{1}));

    // Both markers: the bad path wins; a marker alone gives an empty path.
    satParser both;
    ASSERT_EQ(parseOne(both, "bad path: 5 candidate peering"), Parser::badValue);
    satParser empty;
    ASSERT_EQ(parseOne(empty, "bad path:"), Parser::parsedOk);
    EXPECT_TRUE(empty.parsed.asPath.isEmpty());
}

TEST(RecordParsers, AcceptableLineLengths)
{
    // satParser wants more than 5 characters with the line end, vantageParser
    // more than 4, the other two at least one.
    satParser sat;
    ASSERT_TRUE(openText(sat, "1 2 \n1 2 3\n12345"));
    ASSERT_EQ(sat.nextLine(), Parser::lineReady);
    EXPECT_STREQ(sat.currentLine(), "1 2 3");
    EXPECT_EQ(sat.nextLine(), Parser::endOfInput);
    EXPECT_EQ(sat.readLines(), 3u);
    EXPECT_STREQ(sat.currentLine(), "");

    vantageParser vantage;
    ASSERT_TRUE(openText(vantage, "1 2\n1 2 \n"));
    ASSERT_EQ(vantage.nextLine(), Parser::lineReady);
    EXPECT_STREQ(vantage.currentLine(), "1 2 ");

    pathParser path;
    ASSERT_TRUE(openText(path, "\n"));
    ASSERT_EQ(path.nextLine(), Parser::lineReady);
    EXPECT_EQ(path.parseLine(), Parser::noLine);
    EXPECT_STREQ(path.errReason(), "There is no current line to be parsed");
    EXPECT_EQ(path.parsedLines(), 0u);
}

TEST(VantageParser, Lines)
{
    vantageParser parser;
    ASSERT_EQ(parseOne(parser, "0x10 20 1 trailing words"), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.firstAS, 16);
    EXPECT_EQ(parser.secondAS, 20);
    EXPECT_FALSE(parser.zeroFlag);
    vantageParser zero;
    ASSERT_EQ(parseOne(zero, "0 010 0"), Parser::parsedOk);
    EXPECT_EQ(zero.firstAS, 0);
    EXPECT_EQ(zero.secondAS, 8);
    EXPECT_TRUE(zero.zeroFlag);

    struct Case {
        std::string line;
        int result;
        std::string reason;
    };
    const std::vector<Case> failures = {
        {"1 2 3", 3, "Edge direction cannot be `3'"},
        {"70000 2 0", 3, "Invalid AS number: `70000'"},
        {"1 -2 0", 3, "Invalid AS number: `-2'"},
        {"4294967297 2 0", 3, "Invalid AS number: `4294967297'"},
        {"10 20", 4, "Unable to find either AS number and/or direction"},
        {"10,20,1", 4, "Unable to find either AS number and/or direction"},
    };
    for (const Case& c : failures) {
        vantageParser failing;
        EXPECT_EQ(parseOne(failing, c.line), c.result) << c.line;
        EXPECT_EQ(failing.errReason(), c.reason) << c.line;
    }
}

TEST(PathParser, Lines)
{
    pathParser parser;
    ASSERT_EQ(parseOne(parser, "100 (65001 65002) 200 (65003) 300"), Parser::parsedOk);
    EXPECT_EQ(values(parser.parsed.asPath), (std::vector<asnum_t>{100, 200, 300}));

    pathParser blanks;
    ASSERT_EQ(parseOne(blanks, " \t "), Parser::parsedOk);
    EXPECT_TRUE(blanks.parsed.asPath.isEmpty());

    pathParser bad;
    EXPECT_EQ(parseOne(bad, "100 200x"), Parser::badValue);
    EXPECT_STREQ(bad.errReason(), "Invalid AS number: `200x'");
    EXPECT_EQ(values(bad.parsed.asPath), (std::vector<asnum_t>{100}));
}

TEST(UnknownParser, Lines)
{
    unknownParser parser;
    ASSERT_EQ(parseOne(parser, "5 6 anything"), Parser::parsedOk);
    EXPECT_EQ(parser.firstAS, 5);
    EXPECT_EQ(parser.secondAS, 6);

    unknownParser single;
    EXPECT_EQ(parseOne(single, "5"), Parser::badStructure);
    EXPECT_STREQ(single.errReason(), "Invalid edge or AS number: `5'");
    unknownParser large;
    EXPECT_EQ(parseOne(large, "5 65536"), Parser::badValue);
    EXPECT_STREQ(large.errReason(), "Invalid AS number: `65536'");
}

} // namespace
