// Format recognition and damage handling of the decompressing source. The
// inputs arrive in reads of one byte as well as whole, so every boundary of
// the magic bytes and of the members is crossed.
#include <algorithm>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "common/decompress.h"

namespace {

// "10 20\n", compressed by each format.
const std::string gz("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x33\x34\x50\x30\x32\xe0\x02\x00\x00\x8c\x8b\x67\x06\x00"
                     "\x00\x00",
                     26);
const std::string bz("\x42\x5a\x68\x39\x31\x41\x59\x26\x53\x59\x50\xa6\x3e\x34\x00\x00\x02\x58\x00\x00\x10\x40\x00\x70"
                     "\x00\x20\x00\x21\x83\x41\x9a\x0a\x83\x1c\x5d\xc9\x14\xe1\x42\x41\x42\x98\xf8\xd0",
                     44);
const std::string xz("\xfd\x37\x7a\x58\x5a\x00\x00\x04\xe6\xd6\xb4\x46\x02\x00\x21\x01\x16\x00\x00\x00\x74\x2f\xe5\xa3"
                     "\x01\x00\x05\x31\x30\x20\x32\x30\x0a\x00\x00\x00\xdb\x66\xde\xc5\x57\x4f\x42\xcb\x00\x01\x1e\x06"
                     "\xc1\x2f\xa4\x1d\x1f\xb6\xf3\x7d\x01\x00\x00\x00\x00\x04\x59\x5a",
                     64);

// Serves a text in reads of at most `step` bytes, optionally failing at its end.
class TextSource final : public ByteSource {
public:
    TextSource(std::string text, std::size_t step, bool failAtEnd)
        : text(std::move(text)), step(step), failAtEnd(failAtEnd)
    {
    }
    std::size_t read(char* buffer, std::size_t capacity) override
    {
        const std::size_t n = std::min({capacity, step, text.size() - pos});
        if (n == 0 && failAtEnd) setFailure("Input/output error");
        text.copy(buffer, n, pos);
        pos += n;
        return n;
    }
    std::uint64_t consumed() const override { return pos; }

private:
    std::string text;
    std::size_t step;
    bool failAtEnd;
    std::size_t pos = 0;
};

// What a reader gets out of `input`, and the failure it ends with.
std::pair<std::string, std::string> readAll(const std::string& input, std::size_t step, bool failAtEnd = false)
{
    const auto source = decompressing(std::make_unique<TextSource>(input, step, failAtEnd));
    std::string out;
    char buffer[7];
    while (const std::size_t n = source->read(buffer, sizeof buffer))
        out.append(buffer, n);
    return {out, source->failure()};
}

TEST(Decompressing, EveryFormatAndMemberIsReadWhole)
{
    for (const std::size_t step : {std::size_t{1}, std::size_t{1} << 16}) {
        for (const std::string* format : {&gz, &bz, &xz}) {
            EXPECT_EQ(readAll(*format, step), std::make_pair(std::string("10 20\n"), std::string()));
            EXPECT_EQ(readAll(*format + *format, step).first, "10 20\n10 20\n");
        }
    }
}

TEST(Decompressing, PlainInputPassesUnchanged)
{
    // Texts that begin like a magic but are none, and inputs shorter than one.
    for (const std::string text :
         {"", "B", "BZ", "BZh", "BZh0 is no block size\n", "\x1f", "\xfd\x37\x7a\n", "Network Next Hop\n"}) {
        EXPECT_EQ(readAll(text, 1), std::make_pair(text, std::string()));
        EXPECT_EQ(readAll(text, 100), std::make_pair(text, std::string()));
    }
}

TEST(Decompressing, DamageEndsTheInputWithItsReason)
{
    EXPECT_EQ(readAll(gz.substr(0, 20), 1).second, "truncated gzip data");
    EXPECT_EQ(readAll(bz.substr(0, 30), 1).second, "truncated bzip2 data");
    EXPECT_EQ(readAll(xz.substr(0, 40), 1).second, "truncated xz data");
    // What came before the damage is delivered.
    EXPECT_EQ(readAll(gz + "junk", 4), std::make_pair(std::string("10 20\n"), std::string("corrupt gzip data")));
    std::string flipped = bz;
    flipped[20] = static_cast<char>(flipped[20] ^ 0x10);
    EXPECT_EQ(readAll(flipped, 4).second, "corrupt bzip2 data");
    flipped = xz;
    flipped[30] = 'X';
    EXPECT_EQ(readAll(flipped, 4).second, "corrupt xz data");
    // A failure of the file itself comes through as it is, plain or compressed.
    EXPECT_EQ(readAll("10 20\n", 3, true), std::make_pair(std::string("10 20\n"), std::string("Input/output error")));
    EXPECT_EQ(readAll(gz.substr(0, 20), 3, true).second, "Input/output error");
}

} // namespace
