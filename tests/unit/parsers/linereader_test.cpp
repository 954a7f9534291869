// The line reader under every parser: counters, whole lines of any length,
// the open and close rules.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "parsers/fileparsers.h"
#include "testinput.h"

namespace {

TEST(LineReader, CountsEveryLineAndByte)
{
    // Empty lines, CRLF, a NUL byte, a last line without a line feed, and
    // lines of 1,000 and 5,000 characters, each delivered whole.
    std::string longPath = "100";
    for (int i = 0; i < 1250; ++i)
        longPath += " 200";
    const std::string text =
        "1 2\n\n33 44 55\r\n" + std::string(999, '9') + "\n" + longPath + "\n" + std::string("9\0 8\n", 5) + "5 6";
    TempFile file(text);
    pathParser parser;
    ASSERT_TRUE(parser.openFile(file.name()));
    EXPECT_EQ(parser.fileSize(), text.size());
    int lines = 0;
    while (parser.nextLine() == Parser::lineReady) {
        ++lines;
        if (std::string(parser.currentLine()) == longPath) {
            ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
            EXPECT_EQ(parser.parsed.asPath.len(), 1251u);
            EXPECT_EQ(parser.parsed.asPath.last(), 200);
        }
    }
    EXPECT_EQ(lines, 7);
    EXPECT_EQ(parser.readLines(), 7u);
    EXPECT_EQ(parser.filePos(), text.size());
    EXPECT_EQ(parser.parsedLines(), 0u);
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
}

TEST(LineReader, BoundsWhatItKeeps)
{
    // A line beyond the cap is refused (and skipped whole); a CR-only file is
    // one physical line, cut at its first carriage return.
    std::string text(Parser::maxLineLength + 10, '1');
    text += "\n7 8\r9 10\r11 12\r";
    pathParser parser;
    ASSERT_TRUE(openText(parser, text));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(parser.parseLine(), Parser::badStructure);
    EXPECT_EQ(std::string(parser.errReason()), "Line longer than 1048576 characters");
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.len(), 2u);
    EXPECT_EQ(parser.nextLine(), Parser::endOfInput);
    EXPECT_EQ(parser.readLines(), 2u);
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

    // A second open is refused and the first input goes on.
    TempFile first("1\n2\n3\n");
    ASSERT_TRUE(parser.openFile(first.name()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_FALSE(parser.openFile(first.name()));
    EXPECT_FALSE(openText(parser, "9\n"));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    ASSERT_EQ(parser.parseLine(), Parser::parsedOk);
    EXPECT_EQ(parser.parsed.asPath.first(), 2);

    // Closing forgets everything; a new open starts afresh.
    parser.closeFile();
    EXPECT_EQ(parser.readLines() + parser.parsedLines() + parser.filePos() + parser.fileSize(), 0u);
    EXPECT_EQ(parser.nextLine(), Parser::noInput);
    EXPECT_STREQ(parser.errReason(), "No file has been opened");
    EXPECT_EQ(parser.parseLine(), Parser::notOpen);
    EXPECT_STREQ(parser.errReason(), "No file has been opened");
    parser.closeFile();
    parser.openStdin();
    EXPECT_EQ(parser.fileSize(), 0u);
    parser.closeFile();
    ASSERT_TRUE(parser.openFile(first.name()));
    ASSERT_EQ(parser.nextLine(), Parser::lineReady);
    EXPECT_EQ(parser.readLines(), 1u);
}

} // namespace
