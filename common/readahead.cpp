#include "common/readahead.h"

#include <algorithm>
#include <cstring>

ReadAhead::ReadAhead(std::unique_ptr<ByteSource> inner, std::size_t blockSize, std::size_t blockCount)
    : inner(std::move(inner)), blockSize(std::max<std::size_t>(blockSize, 1)), fileSize(this->inner->size())
{
    for (std::size_t i = 0; i < std::max<std::size_t>(blockCount, 2); ++i) {
        auto b = std::make_unique<block>();
        b->data = std::make_unique_for_overwrite<char[]>(this->blockSize);
        emptyBlocks.send(std::move(b));
    }
}

ReadAhead::~ReadAhead()
{
    emptyBlocks.close();
    fullBlocks.close();
    if (worker.joinable())
        worker.join();
}

void ReadAhead::produce()
{
    for (;;) {
        std::optional<block_ptr> taken = emptyBlocks.receive();
        if (!taken)
            return;
        block& b = **taken;
        b.length = 0;
        // Full blocks: fewer hand-overs, and a pipe's short reads do not
        // turn into many small blocks.
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
        const bool last = b.last;
        if (!fullBlocks.send(std::move(*taken)) || last)
            return;
    }
}

bool ReadAhead::nextBlock()
{
    if (current) {
        if (current->last) {
            ended = true;
            if (!current->failure.empty())
                setFailure(current->failure);
            return false;
        }
        emptyBlocks.send(std::move(current));
    }
    std::optional<block_ptr> next = fullBlocks.receive();
    if (!next) {
        ended = true;
        return false;
    }
    current = std::move(*next);
    pos = 0;
    position = current->consumedAfter;
    isCompressed = current->compressed;
    return true;
}

std::size_t ReadAhead::read(char* buffer, std::size_t capacity)
{
    if (ended || capacity == 0)
        return 0;
    if (!worker.joinable())
        worker = std::thread([this] { produce(); });
    while (!current || pos == current->length) {
        if (!nextBlock())
            return 0;
    }
    const std::size_t n = std::min(capacity, current->length - pos);
    std::memcpy(buffer, current->data.get() + pos, n);
    pos += n;
    return n;
}
