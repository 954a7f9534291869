#pragma once
// Big-endian fields out of a bounded byte range, for the binary readers.
// Every read checks the bytes are there first, so a length field can never
// take a reader past the end of the range it was given.
#include <cstddef>
#include <cstdint>
#include <span>

class WireCursor {
public:
    WireCursor() = default;
    explicit WireCursor(std::span<const std::uint8_t> bytes) : at(bytes.data()), end(bytes.data() + bytes.size()) {}

    std::size_t left() const { return static_cast<std::size_t>(end - at); }
    bool empty() const { return at == end; }
    const std::uint8_t* position() const { return at; }

    bool u8(std::uint8_t& value)
    {
        if (left() < 1) return false;
        value = *at++;
        return true;
    }
    bool u16(std::uint16_t& value)
    {
        if (left() < 2) return false;
        value = static_cast<std::uint16_t>((at[0] << 8) | at[1]);
        at += 2;
        return true;
    }
    bool u32(std::uint32_t& value)
    {
        if (left() < 4) return false;
        value = (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
        at += 4;
        return true;
    }
    // The next `count` bytes as a range of their own.
    bool take(std::size_t count, std::span<const std::uint8_t>& bytes)
    {
        if (left() < count) return false;
        bytes = {at, count};
        at += count;
        return true;
    }
    bool skip(std::size_t count)
    {
        if (left() < count) return false;
        at += count;
        return true;
    }

private:
    const std::uint8_t* at = nullptr;
    const std::uint8_t* end = nullptr;
};
