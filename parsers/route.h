#pragma once
// A route as every input yields it: a route line of a listing, a RIB entry of
// an MRT archive, a prefix announced by an UPDATE. The cleaning and output
// code sees only these records, never a reader's columns, cursors or buffers.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

    // An IPv4 prefix from the address as a number, most significant byte first.
    static route_prefix ipv4(std::uint32_t address, std::optional<std::uint8_t> length)
    {
        route_prefix prefix;
        for (std::size_t i = 0; i < 4; ++i)
            prefix.network.bytes[i] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
        prefix.length = length;
        return prefix;
    }

    bool operator==(const route_prefix&) const = default;
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

// A line or record that could not be read as a route.
struct route_error {
    route_position position;
    std::string_view text;   // the line as read, or a description of the record
    std::string_view reason; // why it was refused
};

// What route_source::next found. `skipped` is a line the reader passed over
// as not understood (error() says where and why): neither a route nor a
// parse error.
enum class route_step : std::uint8_t { route, error, skipped, end };

// One input as a stream of routes: a listing, an MRT file. The whole reading
// (threads, buffers, the format's state) stays behind this interface. What
// next() hands out stays valid until the next call of next().
class route_source {
public:
    virtual ~route_source() = default;

    // Reads on: the next route, the next parse error, or the end of the input.
    virtual route_step next() = 0;
    // After route_step::route: the route found.
    virtual const route_record& route() const = 0;
    // After route_step::error: where, what and why.
    virtual route_error error() const = 0;

    // Lines (listing) or records (MRT) read so far, and of them those read without error.
    virtual std::uint64_t readCount() const = 0;
    virtual std::uint64_t parsedCount() const = 0;
    // Bytes of the file consumed (compressed ones for compressed input), and its
    // size, 0 when unknown (standard input): the progress display.
    virtual std::uint64_t bytesRead() const = 0;
    virtual std::uint64_t size() const = 0;
    // Once at the end: why the input could not be read to its end, if so.
    virtual std::optional<std::string> readFailure() const = 0;
    // Once at the end: whether a table header (listing) or any record (MRT) was met.
    virtual bool contentSeen() const = 0;
    // Once at the end: a warning about routes the input holds but this reading
    // left alone, if any (the text after "Warning: ").
    virtual std::optional<std::string> unreadWarning() const { return std::nullopt; }
    // Known after the first next(): whether routes name the peer they were
    // heard from (MRT) or have none but the router itself (a listing).
    virtual bool namesPeers() const { return false; }
    // What the input held besides routes, for -v: each kind with its count.
    virtual std::vector<std::pair<std::string, std::uint64_t>> contentCounts() const { return {}; }
};
