#pragma once
// The parts of BGP's wire format an archive reader needs: the path
// attributes of an UPDATE or a RIB entry, the AS path they carry, and the
// prefixes of NLRI fields. Everything is read in place from the caller's
// bytes; a path goes into a vector the caller reuses.
#include <cstdint>
#include <span>
#include <vector>

#include "parsers/route.h"
#include "parsers/wire.h"

// The attributes a route needs, located in an attribute block. The first of
// each kind counts; any other attribute is skipped by its length.
struct bgp_attributes {
    std::uint8_t origin = 0; // ORIGIN_* bits, 0 when absent or unknown
    bool hasOrigin = false;
    bool hasAsPath = false;
    bool hasAs4Path = false;
    bool hasMpReach = false;
    bool hasMpUnreach = false;
    std::span<const std::uint8_t> asPath;
    std::span<const std::uint8_t> as4Path;
    std::span<const std::uint8_t> mpReach;
    std::span<const std::uint8_t> mpUnreach;
};

// How wide the AS numbers of an AS_PATH are: the session's capability, which
// an archive record's subtype tells.
enum class as_width : std::uint8_t { two = 2, four = 4 };

namespace bgpwire {

inline constexpr asnum_t asTrans = 23456;

// Locates the attributes of `block`. Null on success, else the reason.
const char* splitAttributes(std::span<const std::uint8_t> block, bgp_attributes& attributes);

// The route's AS path, nearest AS first: AS_PATH, with AS4_PATH merged in
// when a 2-byte speaker's AS_TRANS stands for 4-byte numbers. Sets become
// IN_SET members, confederation segments PRIVATE groups (a confederation set
// both), and ASs of the private ranges are PRIVATE too, as a listing marks
// them. Null on success, else the reason.
const char* decodePath(const bgp_attributes& attributes, as_width width, std::vector<ASItem>& path);

// One prefix of an NLRI field: an optional 4-byte path identifier (ADD-PATH,
// skipped), the length in bits, the significant bytes. Bits set past the
// length are cleared and `hostBits` says so. Null on success, else the reason.
const char* readPrefix(WireCursor& nlri, ip_family family, bool pathId, route_prefix& prefix, bool& hostBits);

// Clears the bits of `address` past the first `length`; true when one was set.
bool clearHostBits(route_address& address, unsigned length);

} // namespace bgpwire
