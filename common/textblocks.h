#pragma once
// Text gathered in a large buffer and handed to a C stream in blocks: a dump
// or an export of a big graph is a million short fields, which stdio formats
// and writes one at a time several times slower. Nothing reaches the stream
// before a block is full or finish() is called; the stream is neither
// flushed nor closed here.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

class text_blocks {
public:
    explicit text_blocks(std::FILE* file) : file_(file), buffer_(std::make_unique<char[]>(capacity)) {}
    text_blocks(const text_blocks&) = delete;
    text_blocks& operator=(const text_blocks&) = delete;
    ~text_blocks() { drain(); }

    text_blocks& operator<<(std::string_view text)
    {
        if (capacity - used_ < text.size()) drain();
        if (capacity < text.size()) return write(text);
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
        return *this;
    }
    text_blocks& operator<<(std::uint64_t value) { return right(value, 0); }
    // The value right-aligned in at least `width` columns ("%*lu"), for
    // widths up to 44 (the room a field is given).
    text_blocks& right(std::uint64_t value, std::size_t width)
    {
        if (capacity - used_ < fieldRoom) drain();
        char digits[20];
        const auto length = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
        char* out = buffer_.get() + used_;
        for (std::size_t pad = length; pad < width && pad < fieldRoom - 20; ++pad)
            *out++ = ' ';
        std::memcpy(out, digits, length);
        used_ = static_cast<std::size_t>(out + length - buffer_.get());
        return *this;
    }
    // Writes what is left; false when any write failed.
    bool finish()
    {
        drain();
        return ok_;
    }

private:
    static constexpr std::size_t capacity = std::size_t{1} << 16;
    static constexpr std::size_t fieldRoom = 64;
    text_blocks& write(std::string_view text)
    {
        if (ok_) ok_ = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
        return *this;
    }
    void drain()
    {
        write(std::string_view(buffer_.get(), used_));
        used_ = 0;
    }
    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};
