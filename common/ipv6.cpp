#include "common/ipv6.h"

#include <algorithm>

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

// The value of each hexadecimal digit, -1 for other characters.
constexpr std::array<signed char, 256> hexValues = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 10; ++i)
        table[static_cast<std::size_t>('0' + i)] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        table[static_cast<std::size_t>('a' + i)] = static_cast<signed char>(10 + i);
        table[static_cast<std::size_t>('A' + i)] = static_cast<signed char>(10 + i);
    }
    return table;
}();

int hexValue(char c) { return hexValues[static_cast<unsigned char>(c)]; }

// Groups parsed so far, most significant first; a dotted IPv4 tail counts
// as two.
struct group_list {
    std::array<std::uint16_t, 8> value{};
    std::size_t count = 0;
};

// A decimal octet 0..255 without leading zeros, as inet_pton takes it.
bool parseOctet(std::string_view text, std::uint8_t& octet)
{
    if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0')) return false;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    octet = static_cast<std::uint8_t>(value);
    return value <= 255;
}

bool parseDotted(std::string_view text, group_list& groups)
{
    std::array<std::uint8_t, 4> octets{};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos || !parseOctet(text.substr(0, dot), octets[i])) return false;
        text.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    if (groups.count > 6) return false;
    groups.value[groups.count++] = static_cast<std::uint16_t>((octets[0] << 8) | octets[1]);
    groups.value[groups.count++] = static_cast<std::uint16_t>((octets[2] << 8) | octets[3]);
    return true;
}

// Appends a group of 1 to 4 hex digits with the value `value`.
bool addHexGroup(std::size_t digits, unsigned value, group_list& groups)
{
    if (digits == 0 || digits > 4 || groups.count == 8) return false;
    groups.value[groups.count++] = static_cast<std::uint16_t>(value);
    return true;
}

// Colon-separated groups; the last may be dotted IPv4 when `dottedTail`.
// One pass over the characters: a listing parses two addresses a route.
bool parseGroups(std::string_view text, bool dottedTail, group_list& groups)
{
    if (text.empty()) return true;
    std::size_t start = 0;
    unsigned value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':') {
            if (!addHexGroup(i - start, value, groups)) return false;
            start = i + 1;
            value = 0;
            continue;
        }
        const int digit = hexValue(text[i]);
        if (digit < 0) return dottedTail && text[i] == '.' && parseDotted(text.substr(start), groups);
        value = (value << 4 | static_cast<unsigned>(digit)) & 0xfffffu;
    }
    return addHexGroup(text.size() - start, value, groups);
}

// Where the first "::" starts, npos when there is none.
std::size_t findGap(std::string_view text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == ':' && text[i + 1] == ':') return i;
    return std::string_view::npos;
}

char* writeHexGroup(char* out, std::uint16_t value)
{
    int shift = 12;
    while (shift > 0 && ((value >> shift) & 0xf) == 0)
        shift -= 4;
    for (; shift >= 0; shift -= 4)
        *out++ = hexDigits[(value >> shift) & 0xf];
    return out;
}

char* writeDecimal(char* out, unsigned value)
{
    if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

// The well-known prefixes whose addresses carry an IPv4 address in their low
// 32 bits and are written with it dotted: IPv4-mapped ::ffff:0:0/96 and
// IPv4-translated ::ffff:0:0:0/96. The deprecated IPv4-compatible ::/96 is
// left in hex, or :: and ::1 would read as ::0.0.0.0 and ::0.0.0.1.
std::size_t dottedPrefixGroups(const IPv6Address& a)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (a.group(i) != 0) return 0;
    if (a.group(4) == 0 && a.group(5) == 0xffff) return 6;
    if (a.group(4) == 0xffff && a.group(5) == 0) return 6;
    return 0;
}

struct zero_run {
    std::size_t start = 8;
    std::size_t length = 0;
};

// The longest run of two or more zero groups among the first `groups`, the
// first one on a tie.
zero_run longestZeroRun(const IPv6Address& a, std::size_t groups)
{
    zero_run best;
    for (std::size_t i = 0; i < groups;) {
        std::size_t end = i;
        while (end < groups && a.group(end) == 0)
            ++end;
        if (end - i >= 2 && end - i > best.length) best = {i, end - i};
        i = std::max(end, i + 1);
    }
    return best;
}

} // namespace

std::optional<IPv6Address> IPv6Address::parse(std::string_view text)
{
    const std::size_t gap = findGap(text);
    group_list head;
    group_list tail;
    if (gap == std::string_view::npos) {
        if (!parseGroups(text, true, head) || head.count != 8) return std::nullopt;
    } else {
        if (!parseGroups(text.substr(0, gap), false, head) || !parseGroups(text.substr(gap + 2), true, tail))
            return std::nullopt;
        // "::" stands for at least one zero group.
        if (head.count + tail.count > 7) return std::nullopt;
    }
    std::array<std::uint8_t, 16> bytes{};
    const auto put = [&bytes](std::size_t index, std::uint16_t value) {
        bytes[2 * index] = static_cast<std::uint8_t>(value >> 8);
        bytes[2 * index + 1] = static_cast<std::uint8_t>(value);
    };
    for (std::size_t i = 0; i < head.count; ++i)
        put(i, head.value[i]);
    for (std::size_t i = 0; i < tail.count; ++i)
        put(8 - tail.count + i, tail.value[i]);
    return IPv6Address(bytes);
}

char* IPv6Address::format(char* out) const
{
    const std::size_t hexGroups = dottedPrefixGroups(*this) != 0 ? 6 : 8;
    const zero_run run = longestZeroRun(*this, hexGroups);
    for (std::size_t i = 0; i < hexGroups; ++i) {
        if (i == run.start) {
            *out++ = ':';
            if (i == 0) *out++ = ':';
            i += run.length - 1;
            continue;
        }
        out = writeHexGroup(out, group(i));
        if (i + 1 < hexGroups || hexGroups == 6) *out++ = ':';
    }
    if (hexGroups == 6) {
        for (std::size_t i = 12; i < 16; ++i) {
            out = writeDecimal(out, octets[i]);
            if (i < 15) *out++ = '.';
        }
    }
    return out;
}

std::string IPv6Address::toString() const
{
    std::array<char, maxText> text{};
    return std::string(text.data(), format(text.data()));
}

IPv6Address IPv6Address::masked(int length) const
{
    std::array<std::uint8_t, 16> bytes = octets;
    const auto kept = static_cast<std::size_t>(std::clamp(length, 0, 128));
    const std::size_t whole = kept / 8;
    if (whole < bytes.size()) {
        bytes[whole] &= static_cast<std::uint8_t>(0xff00u >> (kept % 8));
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(whole) + 1, bytes.end(), std::uint8_t{0});
    }
    return IPv6Address(bytes);
}

bool IPv6Address::hasHostBits(int length) const { return masked(length) != *this; }

IPv6Prefix::IPv6Prefix(const IPv6Address& address, int length)
    : network(address.masked(length < 0 || length > 128 ? 128 : length)),
      bits(length < 0 || length > 128 ? 128 : length)
{
}

std::optional<IPv6Prefix> IPv6Prefix::parse(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view digits = text.substr(slash + 1);
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    int length = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        length = length * 10 + (c - '0');
    }
    const std::optional<IPv6Address> address = IPv6Address::parse(text.substr(0, slash));
    if (!address || length > 128 || address->hasHostBits(length)) return std::nullopt;
    return IPv6Prefix(*address, length);
}

char* IPv6Prefix::format(char* out) const
{
    out = network.format(out);
    *out++ = '/';
    return writeDecimal(out, static_cast<unsigned>(bits));
}

std::string IPv6Prefix::toString() const
{
    std::array<char, maxText> text{};
    return std::string(text.data(), format(text.data()));
}

bool IPv6Prefix::contains(const IPv6Address& address) const { return address.masked(bits) == network; }

bool IPv6Prefix::isMoreSpecific(const IPv6Prefix& other) const { return bits > other.bits && other.contains(network); }
