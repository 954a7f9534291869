// The dotted-number reader against its plain definition: every number read
// by scanInteger, on many random texts made of the characters that matter.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "parsers/textscan.h"

namespace {

int readEachWithScanInteger(std::string_view text, std::string_view separators, long long* values, int count)
{
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != separators[static_cast<std::size_t>(i - 1)]) return i;
            ++pos;
        }
        if (!textscan::scanInteger(text, pos, values[i])) return i;
    }
    return count;
}

TEST(TextScan, SeparatedNumbersReadAsScanIntegerReadsThem)
{
    std::mt19937 random(15);
    constexpr std::string_view alphabet = "0123456789012345.../xXaf+- ";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 24);
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        for (std::size_t n = length(random); n > 0; --n)
            text += alphabet[pick(random)];
        long long got[5] = {};
        long long expected[5] = {};
        const int gotCount = textscan::scanSeparated(text, ".../", got, 5);
        ASSERT_EQ(gotCount, readEachWithScanInteger(text, ".../", expected, 5)) << text;
        for (int i = 0; i < gotCount; ++i)
            ASSERT_EQ(got[i], expected[i]) << text;
    }
}

} // namespace
