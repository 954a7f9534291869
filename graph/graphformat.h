#pragma once
// The graph file format's fixed words and limits, shared by its reader
// (ASGraph) and its writer (GraphWriter), so neither needs the other's header.
#include <cstddef>
#include <string_view>

namespace graphformat {

inline constexpr std::string_view graphMarker = "HGR";     // normal graph
inline constexpr std::string_view diffGraphMarker = "HDG"; // differential graph
// Appended to a marker: the file's AS numbers are 32-bit. A reader that
// knows only the classic markers refuses such a file as a whole.
inline constexpr std::string_view wideSuffix = "32";
inline constexpr std::size_t maxCommentLength = 512;
inline constexpr std::size_t sourceFileSlots = 100;

} // namespace graphformat
