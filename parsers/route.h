#pragma once
// A route as every input yields it: a route line of a listing, a RIB entry of
// an MRT archive, a prefix announced by an UPDATE. The cleaning and output
// code sees only these records, never a reader's columns, cursors or buffers.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/asnumber.h"

// One AS of a path as the input gave it.
struct ASItem {
    static constexpr std::uint8_t PRIVATE = 1; // in parentheses (a confederation group), or in a private range
    static constexpr std::uint8_t IN_SET = 2;  // a member of an AS set in braces

    asnum_t asn = 0;
    std::uint8_t flags = 0;

    bool operator==(const ASItem&) const = default;
};

enum class ip_family : std::uint8_t { ipv4, ipv6 };

// An address of either family, in network byte order; IPv4 fills the first
// four bytes and leaves the rest zero.
struct route_address {
    ip_family family = ip_family::ipv4;
    std::array<std::uint8_t, 16> bytes{};

    bool operator==(const route_address&) const = default;
};

// A route's prefix. A listing may print an IPv4 network without its length
// (a classful network): then there is none.
struct route_prefix {
    route_address network;
    std::optional<std::uint8_t> length;
};

// Who a route was heard from: the peer of an MRT RIB entry or BGP session.
// A listing has one peer, the router itself, and names none.
struct route_peer {
    asnum_t as = 0;
    route_address address;
};

// Origin code bits of a route: "i" IGP, "e" EGP, "?" incomplete.
inline constexpr std::uint8_t ORIGIN_IGP = 1;
inline constexpr std::uint8_t ORIGIN_EGP = 2;
inline constexpr std::uint8_t ORIGIN_INCOMPLETE = 4;

// Where a route (or a parse error) was found: a listing's line number, or an
// MRT file's record number with the record's byte offset in the file as
// decoded (after decompression).
struct route_position {
    std::uint64_t number = 0;
    std::optional<std::uint64_t> byteOffset; // MRT records only
};

struct route_record {
    route_prefix prefix;
    std::optional<route_peer> peer;
    std::span<const ASItem> path; // nearest AS first, origin AS last; valid until the source moves on
    std::uint8_t origin = 0;      // ORIGIN_* bits
    route_position position;
};
