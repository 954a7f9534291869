#pragma once
// Number and token scanning shared by the parsers. Everything works on
// string_views of the current line, so nothing is copied or allocated, a
// number of any length saturates instead of overflowing, and no read goes
// past the end of the text.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "common/numberscan.h"

namespace textscan {

using numberscan::isSpace;
using numberscan::scanDigits;

// Token delimiters: two characters, as every format here has (blank and tab,
// or blank and comma). Compared directly: this runs for every character.
struct Delimiters {
    char first;
    char second;
    bool operator()(char c) const { return c == first || c == second; }
};

inline constexpr Delimiters blankOrTab{' ', '\t'};

// The token starting at or after `from`: leading delimiters are passed over,
// and the token runs to the next delimiter. Empty when there is none.
inline std::string_view tokenAt(std::string_view text, std::size_t from, Delimiters delimiters = blankOrTab)
{
    while (from < text.size() && delimiters(text[from]))
        ++from;
    std::size_t end = from;
    while (end < text.size() && !delimiters(text[end]))
        ++end;
    return from < text.size() ? text.substr(from, end - from) : std::string_view();
}

// Walks the tokens of a text in order.
class Tokens {
public:
    explicit Tokens(std::string_view text, Delimiters delimiters = blankOrTab) : text(text), delimiters(delimiters) {}
    // The next token; empty when there is none left.
    std::string_view next()
    {
        const std::string_view token = tokenAt(text, pos, delimiters);
        if (!token.empty())
            pos = static_cast<std::size_t>(token.data() - text.data()) + token.size();
        else
            pos = text.size();
        return token;
    }

private:
    std::string_view text;
    Delimiters delimiters;
    std::size_t pos = 0;
};

inline bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// An integer in the usual C notation at `pos`: leading white space, an
// optional sign, then hexadecimal after "0x", octal after a leading 0, or
// decimal. Values beyond the range of long long saturate. False (pos
// unchanged) when no digit follows.
inline bool scanInteger(std::string_view text, std::size_t& pos, long long& value)
{
    std::size_t at = pos;
    if (at < text.size() && text[at] >= '1' && text[at] <= '9') {
        // The common case: a plain decimal number.
        value = static_cast<long long>(scanDigits<10>(text, at).value);
        pos = at;
        return true;
    }
    while (at < text.size() && isSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    unsigned base = 10;
    if (at < text.size() && text[at] == '0') {
        base = 8;
        if (at + 2 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X') && isHexDigit(text[at + 2])) {
            base = 16;
            at += 2;
        }
    }
    const numberscan::digits_read digits = base == 16  ? scanDigits<16>(text, at)
                                           : base == 8 ? scanDigits<8>(text, at)
                                                       : scanDigits<10>(text, at);
    if (digits.count == 0) return false;
    const auto magnitude = static_cast<long long>(digits.value);
    value = negative ? -magnitude : magnitude;
    pos = at;
    return true;
}

// Reads up to `count` integers separated by the literal characters of
// `separators` (separators[i] must follow number i): the dotted forms
// "a.b.c.d" and "a.b.c.d/len". Returns how many numbers were read.
inline int scanSeparated(std::string_view text, std::string_view separators, long long* values, int count)
{
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            const char expected = separators[static_cast<std::size_t>(i - 1)];
            if (pos >= text.size() || text[pos] != expected) return i;
            ++pos;
        }
        // The numbers of an address have one to three plain digits: read
        // here, in one short pass. Longer numbers, signs, blanks and the
        // octal and hexadecimal forms go to scanInteger.
        std::size_t end = pos;
        long long value = 0;
        while (end < text.size() && end - pos < 4 && text[end] >= '0' && text[end] <= '9')
            value = value * 10 + (text[end++] - '0');
        const std::size_t digits = end - pos;
        const bool hexMark = end < text.size() && (text[end] == 'x' || text[end] == 'X');
        if (digits > 0 && digits < 4 && (text[pos] != '0' || (digits == 1 && !hexMark))) {
            values[i] = value;
            pos = end;
        } else if (!scanInteger(text, pos, values[i])) {
            return i;
        }
    }
    return count;
}

// A whole token as a signed decimal number (leading white space and a sign
// allowed, nothing after it). Saturates; none when not a number.
inline std::optional<long long> decimalValue(std::string_view token)
{
    std::size_t pos = 0;
    while (pos < token.size() && isSpace(token[pos]))
        ++pos;
    bool negative = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
        negative = token[pos] == '-';
        ++pos;
    }
    const numberscan::digits_read digits = scanDigits<10>(token, pos);
    if (digits.count == 0 || pos != token.size()) return std::nullopt;
    const auto magnitude = static_cast<long long>(digits.value);
    return negative ? -magnitude : magnitude;
}

// A whole token as an unsigned 64-bit decimal number. A minus sign or a value
// beyond 2^64 - 1 is not a number here (rather than wrapping around).
inline std::optional<std::uint64_t> unsignedValue(std::string_view token)
{
    std::size_t pos = 0;
    while (pos < token.size() && isSpace(token[pos]))
        ++pos;
    if (pos < token.size() && token[pos] == '+') ++pos;
    const numberscan::digits_read digits = scanDigits<10>(token, pos, std::numeric_limits<std::uint64_t>::max());
    if (digits.count == 0 || digits.saturated || pos != token.size()) return std::nullopt;
    return digits.value;
}

} // namespace textscan
