#pragma once
// IPv6 value types beside the IPv4 ones: addresses and prefixes with their
// text forms. Parsing takes every form RFC 4291 allows; formatting writes the
// one canonical form of RFC 5952, straight into the caller's buffer, as it
// runs once per route on the output path.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class IPv6Address {
public:
    // Longest text format() writes ("ffff:...:ffff:255.255.255.255" cannot
    // occur: the dotted tail only follows a short prefix), without a NUL.
    static constexpr std::size_t maxText = 39;

    IPv6Address() = default; // ::
    explicit IPv6Address(const std::array<std::uint8_t, 16>& bytes) : octets(bytes) {}

    // "2001:db8::1", "::ffff:192.0.2.1", upper or lower hex; nothing else
    // (no zone, no brackets, no prefix length, no blanks).
    static std::optional<IPv6Address> parse(std::string_view text);

    // Writes the RFC 5952 text at `out` (room for maxText bytes) and returns
    // the end; no terminating NUL.
    char* format(char* out) const;
    std::string toString() const;

    const std::array<std::uint8_t, 16>& bytes() const { return octets; }
    std::uint16_t group(std::size_t index) const
    {
        return static_cast<std::uint16_t>((octets[2 * index] << 8) | octets[2 * index + 1]);
    }
    // The address with every bit past the first `length` cleared (length
    // clamped to 0..128).
    IPv6Address masked(int length) const;
    // True when a bit past the first `length` is set.
    bool hasHostBits(int length) const;

    // Numeric order: the 128-bit value, most significant byte first.
    auto operator<=>(const IPv6Address&) const = default;
    bool operator==(const IPv6Address&) const = default;

private:
    std::array<std::uint8_t, 16> octets{};
};

// A network: an address with its host bits cleared, and a length 0..128.
class IPv6Prefix {
public:
    static constexpr std::size_t maxText = IPv6Address::maxText + 4; // "/128"

    IPv6Prefix() = default; // ::/0
    // Clears the host bits of `address`; a length outside 0..128 becomes 128.
    IPv6Prefix(const IPv6Address& address, int length);

    // "2001:db8::/32"; host bits set in the text are refused, as the text
    // would then name no network.
    static std::optional<IPv6Prefix> parse(std::string_view text);
    char* format(char* out) const;
    std::string toString() const;

    const IPv6Address& address() const { return network; }
    int length() const { return bits; }
    // `address` lies inside this network.
    bool contains(const IPv6Address& address) const;
    // Strictly longer, and inside `other`.
    bool isMoreSpecific(const IPv6Prefix& other) const;

    // By address, then shorter first.
    auto operator<=>(const IPv6Prefix&) const = default;
    bool operator==(const IPv6Prefix&) const = default;

private:
    IPv6Address network;
    int bits = 0;
};
