// The line reader under the record parsers: counters, whole lines of any
// length, the open/close rules.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "parsers/fileparsers.h"
#include "testinput.h"

namespace {

// Drains the parser, returning the number of lines handed out.
int drain(Parser& parser)
{
    int lines = 0;
    while (parser.nextLine() == Parser::lineReady)
        ++lines;
    return lines;
}

std::string repeatedPath(int repetitions)
{
    std::string text = "100";
    for (int i = 0; i < repetitions; ++i)
        text += " 200";
    return text;
}

TEST(LineReader, CountsLinesAndBytesOfAFile)
{
    const std::string text = "1 2\n\n33 44 55\r\n7\n";
    TempFile file(text);
    pathParser parser;
    ASSERT_TRUE(parser.openFile(file.name()));
    EXPECT_EQ(parser.fileSize(), text.size());
    EXPECT_EQ(drain(parser), 4);
    EXPECT_EQ(parser.readLines(), 4u);
    EXPECT_EQ(parser.filePos(), text.size());
    EXPECT_EQ(parser.parsedLines(), 0u);
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
}

TEST(LineReader, DeliversLinesOfAnyLengthWhole)
{
    // 1,000 and 5,000 characters: each one line, the path complete.
    const std::string longPath = repeatedPath(1250);
    const std::string text = std::string(999, '9').insert(0, "1 ") + "\n" + longPath + "\n" + "5 6";
    pathParser parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(parser.readLines(), 1u);
    EXPECT_EQ(parser.parseLine(), Parser::badValue); // the 999 nines are no AS number
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(std::string(parser.currentLine()), longPath);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.len(), 1251u);
    EXPECT_EQ(parser.parsed.asPath.last(), 200);
    // The last line has no line feed and still counts.
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(std::string(parser.currentLine()), "5 6");
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.readLines(), 3u);
    EXPECT_EQ(parser.filePos(), text.size());
}

TEST(LineReader, RefusesALineBeyondTheCapAndGoesOn)
{
    std::string text(Parser::maxLineLength + 10, '1');
    text += "\n7 8\n";
    pathParser parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(parser.parseLine(), Parser::badStructure);
    EXPECT_NE(std::string(parser.errReason()).find("Line longer than"), std::string::npos);
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.first(), 7);
    EXPECT_EQ(parser.readLines(), 2u);
    EXPECT_EQ(parser.filePos(), text.size());
}

TEST(LineReader, OddBytesAndLineEnds)
{
    // A CR-only file is one physical line, cut at its first carriage return;
    // NUL bytes are ordinary bytes that still count.
    const std::string text = std::string("1 2\r3 4\r5 6\r") + std::string("9\0 8\n", 5);
    pathParser parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.len(), 2u);
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.readLines(), 1u);
    EXPECT_EQ(parser.filePos(), text.size());
}

TEST(LineReader, OpenRules)
{
    pathParser parser;
    errno = 0;
    EXPECT_FALSE(parser.openFile("/nonexistent/halcyn/input.txt"));
    EXPECT_EQ(errno, ENOENT);
    // A directory would read as an empty input: it is refused instead.
    errno = 0;
    EXPECT_FALSE(parser.openFile(std::filesystem::temp_directory_path().c_str()));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(parser.nextLine(), Parser::noInput);

    TempFile first("1\n2\n3\n");
    TempFile second("9\n");
    ASSERT_TRUE(parser.openFile(first.name()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_FALSE(parser.openFile(second.name()));
    EXPECT_FALSE(openText(parser, "9\n"));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.first(), 2);
}

TEST(LineReader, CloseForgetsEverything)
{
    TempFile file("1 2\n3 4\n");
    pathParser parser;
    ASSERT_TRUE(parser.openFile(file.name()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    parser.closeFile();
    EXPECT_EQ(parser.parsedLines(), 0u);
    EXPECT_EQ(parser.readLines(), 0u);
    EXPECT_EQ(parser.filePos(), 0u);
    EXPECT_EQ(parser.fileSize(), 0u);
    EXPECT_EQ(parser.nextLine(), Parser::noInput);
    EXPECT_STREQ(parser.errReason(), "No file has been opened");
    EXPECT_EQ(parser.parseLine(), Parser::notOpen);
    EXPECT_STREQ(parser.errReason(), "No file has been opened");
    EXPECT_STREQ(parser.currentLine(), "");
    parser.closeFile(); // closing twice is harmless

    // A reopened parser starts afresh.
    ASSERT_TRUE(parser.openFile(file.name()));
    EXPECT_EQ(drain(parser), 2);
    EXPECT_EQ(parser.readLines(), 2u);
}

TEST(LineReader, StandardInputHasNoSize)
{
    pathParser parser;
    parser.openStdin();
    EXPECT_EQ(parser.fileSize(), 0u);
    EXPECT_FALSE(parser.openFile("/dev/null"));
    parser.closeFile();
}

} // namespace
