#include "console/commandloop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr fileWith(const std::string& text)
{
    FilePtr f(std::tmpfile(), std::fclose);
    std::fwrite(text.data(), 1, text.size(), f.get());
    std::rewind(f.get());
    return f;
}

std::vector<std::string> pieces(const std::string& text)
{
    const FilePtr in = fileWith(text);
    std::vector<std::string> result;
    std::string line;
    while (readCommandLine(in.get(), line))
        result.push_back(line);
    return result;
}

// Runs the lines as a script; returns standard output.
std::string script(const std::string& text, std::string* rest = nullptr)
{
    const FilePtr in = fileWith(text);
    testing::internal::CaptureStdout();
    runScript(in.get(), cmdLineParameters{});
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    if (rest != nullptr) {
        rest->clear();
        for (int c = std::getc(in.get()); c != EOF; c = std::getc(in.get()))
            rest->push_back(static_cast<char>(c));
    }
    return out;
}

} // namespace

TEST(ReadCommandLine, LinesOfAtMost4095)
{
    const std::string full(maxCommandLine, 'a');
    EXPECT_EQ(pieces("x\ny"), (std::vector<std::string>{"x\n", "y"}));
    EXPECT_EQ(pieces(""), std::vector<std::string>{});
    EXPECT_EQ(pieces("\n\n"), (std::vector<std::string>{"\n", "\n"}));
    // A line of exactly the limit keeps its line feed: no empty piece after it.
    EXPECT_EQ(pieces(full + "\nz\n"), (std::vector<std::string>{full, "z\n"}));
    EXPECT_EQ(pieces(full), std::vector<std::string>{full});
    // A longer line is refused whole (given as an empty line, reported);
    // after a carriage return within the limit, the rest is no command.
    testing::internal::CaptureStderr();
    EXPECT_EQ(pieces(full + "b\nz\n"), (std::vector<std::string>{"", "z\n"}));
    EXPECT_EQ(pieces(full + full + full + "\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(pieces(full + "b"), (std::vector<std::string>{""}));
    std::string refusals;
    for (int i = 0; i < 3; ++i)
        refusals += "Error: command line longer than 4095 characters\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), refusals);
    EXPECT_EQ(pieces("ab\r" + full + "\nz"), (std::vector<std::string>{"ab\r" + full.substr(3), "z"}));
    const std::string withNul("a\0b\n", 4);
    EXPECT_EQ(pieces(withNul), std::vector<std::string>{withNul});
}

TEST(RunScript, QuitStopsReading)
{
    std::string rest;
    EXPECT_EQ(script("echo a; q; echo b\necho c\n", &rest), "a\n");
    EXPECT_EQ(rest, "echo c\n");
    EXPECT_EQ(script("echo a\rb\nexit\n", &rest), "a\n");
    EXPECT_EQ(rest, "");
}
