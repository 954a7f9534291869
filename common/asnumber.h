#pragma once
// The one place that fixes the width of an AS number. Dumps and graph files of
// today carry 16-bit numbers (1..65535); widening to 32 bits is a change here.
#include <cstdint>
#include <limits>

using asnum_t = std::uint16_t;

inline constexpr asnum_t maxASNumber = std::numeric_limits<asnum_t>::max();
