#include "common/consoletools.h"

#include <gtest/gtest.h>

#include "tests/unit/streams.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Answers `typed` to the question; returns the answer and the next byte left
// on the input.
std::pair<bool, int> answer(const std::string& typed)
{
    const FilePtr in = fileWith(typed);
    const FilePtr err(std::tmpfile());
    const bool yes = askOverwrite("out.txt", in.get(), err.get());
    return {yes, std::getc(in.get())};
}

std::string drawn(float done, float total)
{
    testing::internal::CaptureStdout();
    printPercentage(done, total);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string bar(int stars, const char* percent)
{
    std::string text = "\x1b[1G[" + std::string(static_cast<std::size_t>(stars), '*');
    if (stars < 40) text += std::string(static_cast<std::size_t>(40 - stars), ' ');
    return text + "]  (" + percent + " %)";
}

} // namespace

TEST(AskOverwrite, OnlyAFirstYMeansYesAndTheLineIsConsumed)
{
    for (const char* yes : {"y\nN", "Y\nN", "yes\nN", "Yes, sure\nN", "y?\nN"}) {
        EXPECT_EQ(answer(yes), std::make_pair(true, int('N'))) << yes;
    }
    for (const char* no : {"n\nN", "\nN", " y\nN", "x\nN", "ok\nN"}) {
        EXPECT_EQ(answer(no), std::make_pair(false, int('N'))) << no;
    }
}

TEST(AskOverwrite, EndOfInputIsNo)
{
    EXPECT_EQ(answer(""), std::make_pair(false, EOF));
    EXPECT_EQ(answer("y"), std::make_pair(true, EOF)); // unterminated answer still counts
}

TEST(AskOverwrite, QuestionQuotesTheWholeName)
{
    const std::string name(5000, 'a');
    const FilePtr in = fileWith("n\n");
    const FilePtr err(std::tmpfile());
    askOverwrite(name, in.get(), err.get());
    EXPECT_EQ(contents(err.get()), "Warning: file `" + name +
                                       "'\nalready exists and is about to be overwritten.\n"
                                       "Do you want to proceed (y/n)? ");
}

TEST(GoToCol, WritesCursorHorizontalAbsolute)
{
    testing::internal::CaptureStdout();
    goToCol(17);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\x1b[17G");
}

// The bar keeps one state per process; each test first draws a complete bar,
// which always draws, so that it starts from a known previous percentage.
TEST(PrintPercentage, RedrawsOnlyOnHalfPercentSteps)
{
    drawn(100, 100);
    EXPECT_EQ(drawn(0, 100), bar(0, "0.0")); // went back
    EXPECT_EQ(drawn(10, 100), bar(4, "10.0"));
    EXPECT_EQ(drawn(10.2F, 100), "");
    EXPECT_EQ(drawn(10.4F, 100), ""); // still measured from 10.0
    EXPECT_EQ(drawn(10.6F, 100), bar(4, "10.6"));
    EXPECT_EQ(drawn(37.4F, 100), bar(14, "37.4"));
}

TEST(PrintPercentage, CompleteAndBackwardsAlwaysDraw)
{
    drawn(100, 100);
    EXPECT_EQ(drawn(100, 100), bar(40, "100.0"));
    EXPECT_EQ(drawn(100, 100), bar(40, "100.0"));
    drawn(90, 100);
    EXPECT_EQ(drawn(20, 100), bar(8, "20.0"));
}

TEST(PrintPercentage, DegenerateTotals)
{
    drawn(100, 100);
    EXPECT_EQ(drawn(0, 0), ""); // not a number: never drawn
    // A positive amount of nothing: one full bar, and it ends.
    EXPECT_EQ(drawn(5, 0), bar(40, "inf"));
    // Overrun stays a bounded line however far it goes.
    drawn(0, 100);
    EXPECT_EQ(drawn(110, 100), bar(44, "110.0"));
    const std::string huge = drawn(1e30F, 1);
    EXPECT_LT(huge.size(), 1000U);
    EXPECT_EQ(huge.substr(0, 405), "\x1b[1G[" + std::string(400, '*'));
}

TEST(IsTerm, CharacterDevicesOnly)
{
    const FilePtr null(std::fopen("/dev/null", "r"));
    ASSERT_TRUE(null);
    EXPECT_TRUE(isTerm(null.get()));

    const FilePtr file(std::tmpfile());
    EXPECT_FALSE(isTerm(file.get()));

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const FilePtr reader(fdopen(fds[0], "r"));
    const FilePtr writer(fdopen(fds[1], "w"));
    EXPECT_FALSE(isTerm(reader.get()));
    EXPECT_FALSE(isTerm(writer.get()));
}
