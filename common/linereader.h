#pragma once
// Lines out of a byte source, for every text reader of both programs. Each
// reader keeps its own line rules by the limit it asks for: whole lines for
// BGP table listings, 511- and 512-character pieces for graph files, 4095
// for console commands. The input is taken in large blocks and lines are cut
// out of them, except from a line-paced source, which is asked for no more
// than the current piece still needs.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "common/bytesource.h"

class LineReader {
public:
    static constexpr std::size_t defaultBlock = std::size_t{1} << 17;

    explicit LineReader(ByteSource& source, std::size_t blockSize = defaultBlock);

    // The next piece of input: at most `limit` bytes, ending after the
    // first line feed when one comes within them. False at the end of the
    // input, or when it could not be read further (source().failed()); the
    // unfinished line at which a failed input stopped is not handed out. The
    // view stays valid until the next call.
    bool next(std::size_t limit, std::string_view& piece);
    // Takes the next byte when it is `c`; for a piece that filled its limit
    // just before its own line feed.
    bool skipIf(char c);
    // True when no byte is left (reads ahead to find out).
    bool atEnd();

    ByteSource& source() { return input; }

private:
    bool refill(std::size_t want);

    ByteSource& input;
    std::size_t blockSize;
    std::unique_ptr<char[]> block;
    std::size_t pos = 0;
    std::size_t end = 0;
    // A piece that spans two blocks is put together here.
    std::string joined;
};
