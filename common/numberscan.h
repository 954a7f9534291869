#pragma once
// The one number scanner every reader uses: listings, record files, graph
// files, relationship files and AS numbers. It works on string_views, never
// reads past the end of the text, and never overflows: a number too large
// for its limit saturates and says so, so each reader decides whether that
// is a clamp (the C conversions' habit, kept where listings relied on it) or
// an error (graph files, where a clamped count would be a silent misreading).
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace numberscan {

// White space as the C library knows it in the "C" locale.
inline bool isSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a digit character in Base, or Base when it is none.
template <unsigned Base>
unsigned digitValue(char c) noexcept
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0') < Base ? static_cast<unsigned>(c - '0') : Base;
    if (Base == 16 && c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (Base == 16 && c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return Base;
}

// What a run of digits held: how many there were, and their value, which is
// `limit` and `saturated` when the digits said more.
struct digits_read {
    std::size_t count = 0;
    std::uint64_t value = 0;
    bool saturated = false;
};

// Digits of Base from `pos` on; `pos` moves past them. Base is a template
// argument so that the overflow test divides by a constant; the first
// digits, which cannot pass any 63-bit limit, skip the test (numbers here
// are short).
template <unsigned Base>
digits_read scanDigits(std::string_view text, std::size_t& pos,
                       std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) noexcept
{
    constexpr std::size_t safeDigits = Base == 16 ? 15 : Base == 8 ? 20 : 18;
    const std::uint64_t cutoff = limit / Base;
    const std::uint64_t cutDigit = limit % Base;
    // Worked on in locals: the character reads could alias the references,
    // which would keep them in memory through the loop.
    digits_read r;
    std::size_t at = pos;
    std::uint64_t number = 0;
    const std::size_t safeEnd = text.size() - at > safeDigits ? at + safeDigits : text.size();
    for (; at < safeEnd; ++at) {
        const unsigned digit = digitValue<Base>(text[at]);
        if (digit >= Base) break;
        number = number * Base + digit;
    }
    if (number > limit) {
        r.saturated = true;
        number = limit;
    }
    if (at == safeEnd) {
        for (; at < text.size(); ++at) {
            const unsigned digit = digitValue<Base>(text[at]);
            if (digit >= Base) break;
            if (r.saturated || number > cutoff || (number == cutoff && digit > cutDigit)) {
                r.saturated = true;
                number = limit;
            } else {
                number = number * Base + digit;
            }
        }
    }
    r.count = at - pos;
    r.value = number;
    pos = at;
    return r;
}

// A whole token of plain decimal digits as a number from 0 to `highest`:
// no blank, no sign, nothing after the digits. None otherwise, a number
// beyond `highest` included.
inline std::optional<std::uint64_t> plainDecimal(std::string_view token, std::uint64_t highest) noexcept
{
    std::size_t pos = 0;
    const digits_read r = scanDigits<10>(token, pos, highest);
    if (r.count == 0 || r.saturated || pos != token.size()) return std::nullopt;
    return r.value;
}

} // namespace numberscan
