#include "common/readahead.h"

#include <algorithm>
#include <cstring>

ReadAhead::ReadAhead(std::unique_ptr<ByteSource> inner, std::size_t blockSize, std::size_t blockCount)
    : inner(std::move(inner)), blockSize(std::max<std::size_t>(blockSize, 1)), fileSize(this->inner->size()),
      blocks(std::max<std::size_t>(blockCount, 2), [this] {
          auto b = std::make_unique<block>();
          b->data = std::make_unique_for_overwrite<char[]>(this->blockSize);
          return b;
      })
{
}

bool ReadAhead::fill(block& b)
{
    b.length = 0;
    // Full blocks: fewer hand-overs, and a pipe's short reads do not turn
    // into many small blocks.
    while (b.length < blockSize) {
        const std::size_t got = inner->read(b.data.get() + b.length, blockSize - b.length);
        if (got == 0) {
            b.last = true;
            b.failure = inner->failure();
            break;
        }
        b.length += got;
    }
    b.consumedAfter = inner->consumed();
    b.compressed = inner->compressed();
    return !b.last;
}

std::size_t ReadAhead::read(char* buffer, std::size_t capacity)
{
    if (ended || capacity == 0) return 0;
    if (!blocks.started()) blocks.start([this](block& b) { return fill(b); });
    while (current == nullptr || pos == current->length) {
        if (current != nullptr && current->last) {
            ended = true;
            if (!current->failure.empty()) setFailure(current->failure);
            return 0;
        }
        current = blocks.next();
        pos = 0;
        if (current == nullptr) {
            ended = true;
            return 0;
        }
        position = current->consumedAfter;
        isCompressed = current->compressed;
    }
    const std::size_t n = std::min(capacity, current->length - pos);
    std::memcpy(buffer, current->data.get() + pos, n);
    pos += n;
    return n;
}
