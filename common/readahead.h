#pragma once
// Reading (and decompressing) on a thread of its own, so that it overlaps
// with whatever the reader of this source does with the bytes. A fixed set
// of blocks circulates between the two threads: memory stays flat however
// large the input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/blockqueue.h"
#include "common/bytesource.h"

class ReadAhead final : public ByteSource {
public:
    static constexpr std::size_t defaultBlockSize = std::size_t{1} << 18;
    static constexpr std::size_t defaultBlockCount = 4;

    // The thread starts with the first read, not before: until then the
    // input is untouched (a question may still be answered from it).
    explicit ReadAhead(std::unique_ptr<ByteSource> inner, std::size_t blockSize = defaultBlockSize,
                       std::size_t blockCount = defaultBlockCount);
    // Stops the thread. It finishes the read it is in, so a source that
    // blocks (a terminal) holds this up until its read returns.
    ~ReadAhead() override { blocks.stop(); }

    std::size_t read(char* buffer, std::size_t capacity) override;
    // Of the data handed out so far, to the end of its block.
    std::uint64_t consumed() const override { return position; }
    std::uint64_t size() const override { return fileSize; }
    bool compressed() const override { return isCompressed; }

private:
    struct block {
        std::unique_ptr<char[]> data;
        std::size_t length = 0;
        std::uint64_t consumedAfter = 0; // the inner source's consumed() once filled
        bool compressed = false;
        bool last = false;   // the input ends after this block
        std::string failure; // with last: why, when it did not end cleanly
    };

    bool fill(block& b);

    std::unique_ptr<ByteSource> inner;
    std::size_t blockSize;
    std::uint64_t fileSize;
    Prefetcher<block> blocks;
    block* current = nullptr;
    std::size_t pos = 0;
    bool ended = false;
    std::uint64_t position = 0;
    bool isCompressed = false;
};
