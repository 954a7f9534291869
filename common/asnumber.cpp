#include "common/asnumber.h"

namespace asnumber {

namespace {

constexpr std::uint64_t halfLimit = 65535;

// Plain decimal digits of at most six characters (a half never needs more;
// longer runs are refused rather than accumulated).
std::optional<std::uint64_t> dotHalf(std::string_view digits)
{
    if (digits.empty() || digits.size() > 6)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::optional<asnum_t> parseSlow(std::string_view token, as_range range)
{
    const std::size_t dot = token.find('.');
    if (dot != std::string_view::npos) {
        if (!needs32Bits(range.highest))
            return std::nullopt;
        const auto high = dotHalf(token.substr(0, dot));
        const auto low = dotHalf(token.substr(dot + 1));
        if (!high || !low || *high > halfLimit || *low > halfLimit)
            return std::nullopt;
        const std::uint64_t value = (*high << 16) | *low;
        if (value < 1 || value > range.highest)
            return std::nullopt;
        return static_cast<asnum_t>(value);
    }
    // Leading white space and a sign are what the C library's number reading
    // allows, and older callers took ASs that way.
    std::size_t pos = 0;
    while (pos < token.size() && isSpace(token[pos]))
        ++pos;
    bool negative = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
        negative = token[pos] == '-';
        ++pos;
    }
    std::uint64_t value = 0;
    const std::size_t first = pos;
    for (; pos < token.size() && token[pos] >= '0' && token[pos] <= '9'; ++pos) {
        // Saturate: any value past the range is refused the same.
        if (value <= range.highest)
            value = value * 10 + static_cast<unsigned>(token[pos] - '0');
    }
    if (pos == first || pos != token.size())
        return std::nullopt;
    if (negative || value < 1 || value > range.highest)
        return std::nullopt;
    return static_cast<asnum_t>(value);
}

std::string toString(asnum_t as)
{
    char digits[maxDigits];
    return std::string(digits, format(digits, as));
}

std::size_t digitCount(asnum_t as)
{
    std::size_t n = 1;
    while (as >= 10) {
        as /= 10;
        ++n;
    }
    return n;
}

bool isReserved(asnum_t as)
{
    return as == 0 || as == 23456 || (as >= 64496 && as <= 64511) || as == 65535 ||
           (as >= 65536 && as <= 65551) || as == 4294967295U;
}

} // namespace asnumber
