#pragma once
// A route's addresses between the route record and the address types of
// common/, and written as text: dotted IPv4, RFC 5952 IPv6, straight into
// the caller's buffer (this runs once per route when prefixes are shown).
#include <cstddef>

#include "common/ipv6.h"
#include "parsers/route.h"

namespace routetext {

// Longest text of an address, and of a prefix with its "/len".
inline constexpr std::size_t maxAddress = IPv6Address::maxText;
inline constexpr std::size_t maxPrefix = IPv6Prefix::maxText;

inline IPv6Address toIPv6(const route_address& address) { return IPv6Address(address.bytes); }
inline route_address toRouteAddress(const IPv6Address& address) { return {ip_family::ipv6, address.bytes()}; }

// Return the end of what they wrote; no terminating NUL.
char* formatAddress(char* out, const route_address& address);
// A prefix without a length (a classful network of a listing) is written as
// its address alone.
char* formatPrefix(char* out, const route_prefix& prefix);

} // namespace routetext
