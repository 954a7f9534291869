#include "common/asnumber.h"

namespace asnumber {

namespace {

// A run of decimal digits, saturating past any AS number; none when the text
// is empty or holds anything else.
std::optional<std::uint64_t> digitsValue(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value <= wideRange.highest)
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
    std::optional<std::uint64_t> value;
    if (const std::size_t dot = token.find('.'); dot != std::string_view::npos) {
        if (!needs32Bits(range.highest))
            return std::nullopt;
        const auto high = digitsValue(token.substr(0, dot));
        const auto low = digitsValue(token.substr(dot + 1));
        if (!high || !low || *high > 65535 || *low > 65535)
            return std::nullopt;
        value = (*high << 16) | *low;
    } else {
        // Leading white space and a "+" are what the C library's number
        // reading allows, and the classic readers took ASs that way.
        std::size_t pos = 0;
        while (pos < token.size() && isSpace(token[pos]))
            ++pos;
        if (pos < token.size() && token[pos] == '+')
            ++pos;
        value = digitsValue(token.substr(pos));
    }
    if (!value || *value < 1 || *value > range.highest)
        return std::nullopt;
    return static_cast<asnum_t>(*value);
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
