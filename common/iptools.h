#pragma once
// IPv4 value types shared by both programs: addresses, netmasks, prefixes and
// arbitrary address sets. None of them has a text form: callers parse dotted
// text and print from the octets themselves.
#include <array>
#include <cstdint>

#include "common/smartstructs.h"

class IPNetmask;

// An IPv4 address. Order and arithmetic are those of the 32-bit value
// a*2^24 + b*2^16 + c*2^8 + d; arithmetic wraps modulo 2^32.
class IPAddress {
public:
    IPAddress() = default; // 0.0.0.0
    // a.b.c.d; inline, as every route's addresses are built with it.
    IPAddress(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) : octets{a, b, c, d} {}

    // The address whose 32-bit value is v (most significant octet first).
    static IPAddress fromValue(std::uint32_t v);
    // The 32-bit value of the address.
    std::uint32_t value() const
    {
        return (std::uint32_t{octets[0]} << 24) | (std::uint32_t{octets[1]} << 16) | (std::uint32_t{octets[2]} << 8) |
               std::uint32_t{octets[3]};
    }

    // Inline: these are the key comparisons of every tree keyed by address.
    bool operator==(const IPAddress& other) const { return value() == other.value(); }
    bool operator!=(const IPAddress& other) const { return value() != other.value(); }
    bool operator<(const IPAddress& other) const { return value() < other.value(); }
    bool operator>(const IPAddress& other) const { return value() > other.value(); }
    bool operator<=(const IPAddress& other) const { return value() <= other.value(); }
    bool operator>=(const IPAddress& other) const { return value() >= other.value(); }

    // Only the low 32 bits of n matter; the result wraps modulo 2^32.
    IPAddress operator+(std::uint64_t n) const;
    IPAddress& operator+=(std::uint64_t n);
    IPAddress operator-(std::uint64_t n) const;
    IPAddress& operator-=(std::uint64_t n);
    // Number of addresses in the closed range between the two, in either
    // order: 1 for equal addresses, 2^32 for 0.0.0.0 and 255.255.255.255.
    std::uint64_t operator-(const IPAddress& other) const;

    // Classful class from the first octet: 'A' 1-127, 'B' 128-191, 'C' 192-223,
    // 'D' 224-239, 'E' 240-247, 'U' for 0 and 248-255.
    char ipClass() const;
    // A new address with every octet ANDed with the netmask's; this one is unchanged.
    IPAddress mask(const IPNetmask& netmask) const;

    // The four octets, first octet first. The pointer designates a copy that
    // stays readable while the address lives; writing to it changes nothing.
    std::uint8_t* getAddress();
    void setAddress(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);

private:
    std::array<std::uint8_t, 4> octets{};
    std::array<std::uint8_t, 4> copyOut{};
};

// An IPv4 netmask. It is always contiguous (n one bits, then 32 - n zero
// bits): a non-contiguous mask or an out-of-range length becomes /32.
class IPNetmask {
public:
    IPNetmask();                                                               // 255.255.255.255
    IPNetmask(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d); // as setNetmask(a, b, c, d)
    explicit IPNetmask(int length);                                            // as setNetmask(length)

    bool operator==(const IPNetmask& other) const;
    bool operator!=(const IPNetmask& other) const;
    // Longer (more leading one bits) is greater.
    bool operator>(const IPNetmask& other) const;
    bool operator<(const IPNetmask& other) const;
    bool operator>=(const IPNetmask& other) const;
    bool operator<=(const IPNetmask& other) const;

    // Stores a.b.c.d when it is contiguous, 255.255.255.255 otherwise.
    void setNetmask(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    // Stores the mask of `length` leading one bits; outside 0..32 it is /32.
    void setNetmask(int length);
    // Same rules as IPAddress::getAddress.
    std::uint8_t* getNetmask();
    // The prefix length, 0 to 32.
    int brief() const;
    // The 32-bit value of the mask.
    std::uint32_t value() const;

private:
    std::array<std::uint8_t, 4> octets{255, 255, 255, 255};
    std::array<std::uint8_t, 4> copyOut{};
};

// An IPv4 prefix. Built from an address and a netmask it holds the network
// address (host bits cleared); built from an address alone it keeps the
// address as given and takes the classful netmask of its class.
class IPPrefix {
public:
    IPPrefix();                                  // 0.0.0.0/0
    explicit IPPrefix(const IPAddress& address); // classful netmask, address unmasked
    IPPrefix(const IPAddress& address, const IPNetmask& netmask);
    IPPrefix(const IPPrefix& other);            // copies the address list too
    IPPrefix& operator=(const IPPrefix& other); // leaves this address list alone
    ~IPPrefix() = default;

    bool operator==(const IPPrefix& other) const;
    bool operator!=(const IPPrefix& other) const;

    // Strictly longer netmask, and inside `other` as `other` is stored.
    bool isMoreSpecific(const IPPrefix& other) const;
    // Strictly shorter netmask, and `other` lies inside this prefix.
    bool isLessSpecific(const IPPrefix& other) const;

    IPAddress address() const;
    IPNetmask netmask() const;
    // 2^(32 - prefix length): 1 for a /32, 4294967296 for a /0.
    std::uint64_t addresses() const;
    // Every covered address in ascending order, in a list owned by the prefix
    // and refilled by the next call. One element per address: long prefixes only.
    List<IPAddress>& listAddresses();

private:
    IPAddress prefixAddress;
    IPNetmask prefixNetmask{0};
    List<IPAddress> addressList;
};

// An arbitrary set of IPv4 addresses, held as disjoint, non-adjacent closed
// intervals keyed by their first address, so every set has exactly one form.
class IPSubSpace {
public:
    struct IPInterval {
        IPInterval() = default;
        IPInterval(const IPAddress& first, const IPAddress& last);
        IPAddress firstAddress; // lowest address
        IPAddress lastAddress;  // highest address, not below firstAddress
    };

    IPSubSpace();                                // the empty set
    explicit IPSubSpace(const IPPrefix& prefix); // from the prefix address as stored
    explicit IPSubSpace(const IPAddress& address);
    IPSubSpace(const IPSubSpace& other);                // the listing buffers start empty
    IPSubSpace(IPSubSpace&& other) noexcept;            // the listing buffers start empty
    IPSubSpace& operator=(const IPSubSpace& other);     // the listing buffers are left alone
    IPSubSpace& operator=(IPSubSpace&& other) noexcept; // the listing buffers are left alone
    ~IPSubSpace() = default;

    bool isEmpty() const;
    // Number of distinct addresses, 0 to 4294967296.
    std::uint64_t addresses() const;

    bool operator==(const IPSubSpace& other) const;
    bool operator!=(const IPSubSpace& other) const;

    IPSubSpace intersect(const IPSubSpace& other) const;
    IPSubSpace operator*(const IPSubSpace& other) const;
    IPSubSpace& operator*=(const IPSubSpace& other);
    IPSubSpace join(const IPSubSpace& other) const;
    IPSubSpace operator+(const IPSubSpace& other) const;
    IPSubSpace& operator+=(const IPSubSpace& other);

    // `other` is a proper subset of this set.
    bool includes(const IPSubSpace& other) const;
    // This set is a proper subset of `other`.
    bool isIncluded(const IPSubSpace& other) const;

    // Every address in ascending order; one element per address.
    List<IPAddress>& listAddresses();
    // The fewest aligned prefixes that cover the set exactly, ascending.
    List<IPPrefix>& listPrefixes();

private:
    // Closes an interval of a result being built: stores it and counts it.
    void addInterval(const IPAddress& first, const IPAddress& last);

    std::uint64_t addressCount = 0;
    BST<IPInterval, IPAddress> intervals;
    List<IPAddress> addressList;
    List<IPPrefix> prefixList;
};
