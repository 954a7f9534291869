// The auxiliary record parsers: which lines they take, what they store, and
// the reason of every refusal.
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

// Opens `parser` (afresh) on the single line `line` and parses it.
template <typename P>
int parseOne(P& parser, const std::string& line)
{
    parser.closeFile();
    EXPECT_TRUE(openText(parser, line + "\n"));
    EXPECT_EQ(parser.nextLine(), Parser::lineReady) << line;
    return parser.parseLine();
}

struct Refusal {
    std::string line;
    int result;
    std::string reason;
};

template <typename P>
void expectRefusals(const std::vector<Refusal>& cases)
{
    for (const Refusal& c : cases) {
        P parser;
        EXPECT_EQ(parseOne(parser, c.line), c.result) << c.line;
        EXPECT_EQ(parser.errReason(), c.reason) << c.line;
    }
}

TEST(SatParser, EdgePeeringAndBadPathLines)
{
    // Coverings come and go with the line.
    satParser parser;
    ASSERT_TRUE(openText(parser, "10 x 20 a b c 1 0.5 y 0.25\n10\tx\t20 a b c 0\ncandidate peering 7 - 9 1.5 - 2\n"));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    EXPECT_EQ(parser.parsed.fromAS, 10);
    EXPECT_EQ(parser.parsed.toAS, 20);
    EXPECT_FALSE(parser.parsed.zeroFlag);
    EXPECT_EQ(parser.parsed.covering1, 0.5);
    EXPECT_EQ(parser.parsed.covering2, 0.25);
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_TRUE(parser.parsed.zeroFlag);
    EXPECT_FALSE(parser.parsed.covering1);
    EXPECT_FALSE(parser.parsed.covering2);
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_TRUE(parser.parsed.peering);
    EXPECT_TRUE(parser.parsed.zeroFlag); // untouched by a peering line
    EXPECT_EQ(parser.parsed.fromAS, 7);
    EXPECT_EQ(parser.parsed.toAS, 9);
    EXPECT_EQ(parser.parsed.covering2, 2.0);

    satParser bad;
    ASSERT_EQ(parseOne(bad, "bad path: 1 2 3"), Parser::parsedOk);
    EXPECT_TRUE(bad.parsed.badPath);
    EXPECT_EQ(values(bad.parsed.asPath), (std::vector<asnum_t>{1, 2, 3}));
    EXPECT_EQ(parseOne(bad, "bad path: 1 0 3"), Parser::badValue); // keeps what came before
    EXPECT_STREQ(bad.errReason(), "Invalid AS number in bad AS path: `0'");
    EXPECT_EQ(values(bad.parsed.asPath), (std::vector<asnum_t>{1}));

    expectRefusals<satParser>({
        {"10 x 20 a b c 2", 3, "Invalid reversed flag: `2'"},
        {"10 x 20 a b", 4, "Unable to retrieve reversed flag"},
        {"10 x 20 a b c 1 0.5 y", 4, "Unable to retrieve edge covering properties"},
        {"10 x 20 a b c 1 -0.5 y 1", 3, "Invalid edge covering value: `-0.5'"},
        {"10 x 20 a b c 1 nan y 1", 3, "Invalid edge covering value: `nan'"},
        {"10 x 20 a b c 1 1 y 1e999", 3, "Invalid edge covering value: `1e999'"},
        {"0 x 20 a b c 1", 3, "Invalid AS number: `0'"},
        {"10 x 65536 a b c 1", 3, "Invalid AS number: `65536'"},
        {"10 xyz", 4, "Unable to retrieve `to' AS number"},
        {"      \t", 4, "Line appears to be empty"},
        {"bad path: 5 candidate peering", 3, "Invalid AS number in bad AS path: `candidate'"},
    });
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

    vantageParser vantage;
    ASSERT_TRUE(openText(vantage, "1 2\n1 2 \n"));
    ASSERT_EQ(vantage.nextLine(), Parser::lineReady);
    EXPECT_STREQ(vantage.currentLine(), "1 2 ");

    pathParser path;
    ASSERT_TRUE(openText(path, "\n"));
    ASSERT_EQ(path.nextLine(), Parser::lineReady);
    EXPECT_EQ(path.parseLine(), Parser::noLine);
    EXPECT_STREQ(path.errReason(), "There is no current line to be parsed");
}

// Once nextLine has said the input ended there is no current line: a caller
// looping until parseLine fails must not get the last record twice.
template <typename P>
void expectNoLineAfterTheEnd(const std::string& text)
{
    P parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk) << parser.errReason();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
        EXPECT_EQ(parser.parseLine(), Parser::noLine);
        EXPECT_STREQ(parser.errReason(), "There is no current line to be parsed");
    }
}

TEST(RecordParsers, NoCurrentLineAfterTheEnd)
{
    expectNoLineAfterTheEnd<satParser>("10 x 20 a b c 0\n");
    expectNoLineAfterTheEnd<vantageParser>("1 2 0\n");
    expectNoLineAfterTheEnd<pathParser>("1 2 3");
    expectNoLineAfterTheEnd<unknownParser>("1 2\n");
    expectNoLineAfterTheEnd<bgpParser>("   Network          Next Hop            Metric LocPrf Weight Path\n"
                                       "*> 10.0.0.0/8       192.168.1.1              0             0 100 i\n");
}

TEST(RecordParsers, NumberPairsAndPaths)
{
    vantageParser vantage;
    ASSERT_EQ(parseOne(vantage, "0x10 020 1 trailing words"), Parser::parsedOk);
    EXPECT_EQ(vantage.firstAS, 16);
    EXPECT_EQ(vantage.secondAS, 16);
    EXPECT_FALSE(vantage.zeroFlag);
    expectRefusals<vantageParser>({
        {"1 2 3", 3, "Edge direction cannot be `3'"},
        {"70000 2 0", 3, "Invalid AS number: `70000'"},
        {"4294967297 2 0", 3, "Invalid AS number: `4294967297'"}, // no wrap to AS 1
        {"1 -2 0", 3, "Invalid AS number: `-2'"},
        {"10,20,1", 4, "Unable to find either AS number and/or direction"},
    });

    unknownParser pair;
    ASSERT_EQ(parseOne(pair, "5 0 anything"), Parser::parsedOk);
    EXPECT_EQ(pair.firstAS, 5);
    EXPECT_EQ(pair.secondAS, 0);
    expectRefusals<unknownParser>({
        {"5", 4, "Invalid edge or AS number: `5'"},
        {"5 65536", 3, "Invalid AS number: `65536'"},
    });

    pathParser path;
    ASSERT_EQ(parseOne(path, "100 (65001 65002) 200 (65003) 300"), Parser::parsedOk);
    EXPECT_EQ(values(path.parsed.asPath), (std::vector<asnum_t>{100, 200, 300}));
    ASSERT_EQ(parseOne(path, " \t "), Parser::parsedOk);
    EXPECT_TRUE(path.parsed.asPath.isEmpty());
    EXPECT_EQ(parseOne(path, "100 200x"), Parser::badValue);
    EXPECT_STREQ(path.errReason(), "Invalid AS number: `200x'");
    EXPECT_EQ(values(path.parsed.asPath), (std::vector<asnum_t>{100}));
}

} // namespace
