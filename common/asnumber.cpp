#include "common/asnumber.h"

#include "common/numberscan.h"

namespace asnumber {

namespace {

// A run of decimal digits of one asdot half (0 to 65535).
std::optional<std::uint64_t> halfValue(std::string_view digits) { return numberscan::plainDecimal(digits, 65535); }

} // namespace

std::optional<asnum_t> parseSlow(std::string_view token, as_range range)
{
    std::optional<std::uint64_t> value;
    if (const std::size_t dot = token.find('.'); dot != std::string_view::npos) {
        if (!needs32Bits(range.highest)) return std::nullopt;
        const auto high = halfValue(token.substr(0, dot));
        const auto low = halfValue(token.substr(dot + 1));
        if (!high || !low) return std::nullopt;
        value = (*high << 16) | *low;
    } else {
        // Digits only: a sign is no part of an AS number, and a path item
        // such as "+5" or "-5" is damage, not AS 5.
        value = numberscan::plainDecimal(token, range.highest);
    }
    if (!value || *value < 1 || *value > range.highest) return std::nullopt;
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
    return as == 0 || as == 23456 || (as >= 64496 && as <= 64511) || as == 65535 || (as >= 65536 && as <= 65551) ||
           as == 4294967295U;
}

} // namespace asnumber
