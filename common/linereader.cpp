#include "common/linereader.h"

#include <algorithm>
#include <cstring>

LineReader::LineReader(ByteSource& source, std::size_t blockSize)
    : input(source), blockSize(blockSize), block(std::make_unique_for_overwrite<char[]>(blockSize))
{
}

bool LineReader::refill(std::size_t want)
{
    pos = 0;
    // A line-paced source is asked only for what the piece still needs, so
    // nothing past it leaves the shared stream.
    end = input.read(block.get(), input.linePaced() ? std::min(want, blockSize) : blockSize);
    return end > 0;
}

bool LineReader::next(std::size_t limit, std::string_view& piece)
{
    if (limit == 0) return false;
    if (pos == end && !refill(limit)) return false;
    const char* start = block.get() + pos;
    const std::size_t room = std::min(limit, end - pos);
    const void* feed = std::memchr(start, '\n', room);
    if (feed != nullptr || room == limit) {
        // The usual case: the whole piece lies in the block.
        const std::size_t take =
            feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - start) + 1 : room;
        pos += take;
        piece = std::string_view(start, take);
        return true;
    }
    joined.assign(start, room);
    pos = end;
    while (joined.size() < limit && refill(limit - joined.size())) {
        const std::size_t more = std::min(limit - joined.size(), end);
        feed = std::memchr(block.get(), '\n', more);
        const std::size_t take =
            feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - block.get()) + 1 : more;
        joined.append(block.get(), take);
        pos = take;
        if (feed != nullptr) break;
    }
    // The unfinished last line of an input that failed is where it was cut
    // off: a shortened route or command must not pass for a whole one.
    if (joined.back() != '\n' && joined.size() < limit && input.failed()) return false;
    piece = joined;
    return true;
}

bool LineReader::skipIf(char c)
{
    if (pos == end) {
        if (input.linePaced()) {
            // Look without taking: a byte that is not `c` stays in the stream.
            if (input.peek() != static_cast<unsigned char>(c)) return false;
            char taken = 0;
            return input.read(&taken, 1) == 1;
        }
        if (!refill(blockSize)) return false;
    }
    if (block[pos] != c) return false;
    ++pos;
    return true;
}

bool LineReader::atEnd() { return pos == end && !refill(input.linePaced() ? 1 : blockSize); }
