#pragma once
// The tags the cleaner gives a path for the features it met, which the
// grouping map merges and the outputs print.
#include <array>

// A tag field: "CPpSI" positions, each its letter or a blank, then a blank.
using tag_field = std::array<char, 7>;
inline constexpr tag_field emptyTags = {' ', ' ', ' ', ' ', ' ', ' ', '\0'};
