#pragma once
// AS numbers: their type, how they are read and written, and what kind of AS
// a number names. Every program reads and prints AS numbers through here, so
// the width of an AS is decided in one place.
//
// An AS number is 32 bits wide (1 to 4294967295). Classic listings and files
// carry only the 16-bit numbers (1 to 65535); they are read with the classic
// range, which is then just a range check. A number is written as asplain
// (plain decimal); asdot ("X.Y" meaning X * 65536 + Y) is read, never written.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using asnum_t = std::uint32_t;

namespace asnumber {

// The numbers a reader accepts: 1 to `highest`; asdot is read only in the
// 32-bit range, since a 16-bit AS never needs it.
struct as_range {
    asnum_t highest;
};
inline constexpr as_range classicRange{65535};    // 16-bit ASs only
inline constexpr as_range wideRange{4294967295U}; // every 32-bit AS

// The most decimal digits an AS number has (4294967295).
inline constexpr std::size_t maxDigits = 10;

// The slow path of parse: asdot, and asplain of more than maxDigits digits.
std::optional<asnum_t> parseSlow(std::string_view token, as_range range);

// A whole token as an AS number of `range`: asplain (decimal digits, no sign
// nor blank), or in the 32-bit range also asdot, each half 0 to 65535 and not
// both 0. None for anything else, AS 0 included.
inline std::optional<asnum_t> parse(std::string_view token, as_range range)
{
    // Plain digits are nearly every AS of a dump: one pass without overflow
    // tests (ten digits fit in 64 bits).
    if (!token.empty() && token.size() <= maxDigits) {
        std::uint64_t value = 0;
        std::size_t i = 0;
        for (; i < token.size(); ++i) {
            const auto digit = static_cast<unsigned>(token[i] - '0');
            if (digit > 9) break;
            value = value * 10 + digit;
        }
        if (i == token.size()) {
            if (value < 1 || value > range.highest) return std::nullopt;
            return static_cast<asnum_t>(value);
        }
    }
    return parseSlow(token, range);
}

// Writes `as` in asplain at `out` (room for maxDigits characters); returns the
// end. No terminator, no allocation: output loops format into their buffers.
inline char* format(char* out, asnum_t as)
{
    char digits[maxDigits];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + as % 10);
        as /= 10;
    } while (as != 0);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// `as` in asplain as a string, for messages.
std::string toString(asnum_t as);

// The number of decimal digits of `as` in asplain (1 to 10).
std::size_t digitCount(asnum_t as);

// True when `as` lies above 65535, so a 16-bit field cannot hold it.
inline constexpr bool needs32Bits(asnum_t as) { return as > classicRange.highest; }

// Columns an AS field takes in aligned listings: 5 when only 16-bit ASs can
// occur, 10 in the 32-bit range.
inline constexpr std::size_t fieldWidth(as_range range) { return range.highest > classicRange.highest ? maxDigits : 5; }

// Private use: 64512 to 65535 and 4200000000 to 4294967295. The last AS of
// each range is in fact reserved, but paths treat it like the private ones:
// it must not leave a network any more than a private AS may.
inline constexpr bool isPrivate(asnum_t as) { return (as >= 64512 && as <= 65535) || as >= 4200000000U; }

// Reserved, never a real network: 0; 23456, the stand-in for a 32-bit AS on
// 16-bit sessions; the documentation ranges 64496-64511 and 65536-65551; the
// last AS of each private range (65535, 4294967295).
bool isReserved(asnum_t as);

} // namespace asnumber
