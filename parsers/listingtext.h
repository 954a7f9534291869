#pragma once
// Character and line helpers shared by the units of the BGP table listing
// reader (the row reader, the record reader, the line classifier). They run
// for every line and most of them for every character, so they are inline
// and never allocate.
#include <cstddef>
#include <span>
#include <string_view>

#include "parsers/textscan.h"

namespace listing {

inline constexpr textscan::Delimiters lineDelimiters = textscan::blankOrTab;

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the first non-blank character stands, npos when none. A plain loop:
// find_first_not_of calls memchr once per character, and continuation lines
// start with dozens of blanks.
inline std::size_t firstNonBlank(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    return i < line.size() ? i : std::string_view::npos;
}

// Positions past the end of the line read as blanks.
inline char charAt(std::string_view line, std::size_t index) { return index < line.size() ? line[index] : ' '; }

// The line without its line end (and anything after a carriage return).
inline std::string_view withoutLineEnd(std::string_view line) { return line.substr(0, line.find_first_of("\r\n")); }

// The line without the line end it was read with: a record's lines are
// short and many, and withoutLineEnd's search costs a call per character.
inline std::string_view withoutLineFeed(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

inline std::string_view withoutIndent(std::string_view line)
{
    const std::size_t start = firstNonBlank(line);
    return line.substr(start == std::string_view::npos ? line.size() : start);
}

inline bool startsWithAny(std::string_view line, std::span<const std::string_view> texts)
{
    for (const std::string_view text : texts)
        if (line.substr(0, text.size()) == text) return true;
    return false;
}

} // namespace listing
