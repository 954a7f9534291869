// The shapes of listing lines: which lines are routes, prompts, or the
// rest of a wrapped AS path, told from their characters alone.
#include "parsers/listinglines.h"

#include <algorithm>

namespace listing {

using textscan::tokenAt;

namespace {

// The shapes that make a line look like a route, for deciding that a line
// which cannot be read is a broken route rather than the end of the table.
// An IPv4 address "a.b.c.d", optionally with "/len".
bool looksLikeIPv4(std::string_view token)
{
    int dots = 0;
    bool digit = false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = token[i];
        if (c == '/') return dots == 3 && digit && i + 1 < token.size();
        if (c == '.')
            ++dots;
        else if (!isDigit(c))
            return false;
        digit = digit || isDigit(c);
    }
    return dots == 3 && digit;
}

// An IPv6 address: hexadecimal groups and at least two colons, optionally "/len".
bool looksLikeIPv6(std::string_view token)
{
    int colons = 0;
    for (const char c : token) {
        if (c == ':')
            ++colons;
        else if (!isDigit(c) && !(c >= 'a' && c <= 'f') && !(c >= 'A' && c <= 'F') && c != '.' && c != '/')
            return false;
    }
    return colons >= 2;
}

// The end of an AS path: an origin code, or an AS (asplain or asdot) that may
// close a group or set and carry a glued origin code.
bool looksLikePathEnd(std::string_view token)
{
    if (token.size() == 1 && bgpParser::routeOriginCodes.find(token[0]) != std::string_view::npos) return true;
    if (!token.empty() && bgpParser::routeOriginCodes.find(token.back()) != std::string_view::npos)
        token.remove_suffix(1);
    while (!token.empty() && (token.back() == ')' || token.back() == '}'))
        token.remove_suffix(1);
    while (!token.empty() && (token.front() == '(' || token.front() == '{'))
        token.remove_prefix(1);
    if (token.empty() || !isDigit(token.back())) return false;
    for (const char c : token)
        if (!isDigit(c) && c != '.' && c != ',') return false;
    return true;
}

} // namespace

bool looksLikeRoute(std::string_view line)
{
    textscan::Tokens tokens(line, lineDelimiters);
    bool address = false;
    std::string_view last;
    for (std::string_view token = tokens.next(); !token.empty(); token = tokens.next()) {
        if (!address) {
            address = looksLikeIPv4(token) || looksLikeIPv6(token);
            continue;
        }
        last = token;
    }
    return address && !last.empty() && looksLikePathEnd(last);
}

bool isPrompt(std::string_view line)
{
    const std::string_view token = tokenAt(line, 0, lineDelimiters);
    if (token.empty() || token.data() != line.data()) return false;
    const std::size_t end = token.find_first_of("#>$]");
    if (end == std::string_view::npos || end == 0) return false;
    const auto hostChar = [](char c) {
        return isLetter(c) || isDigit(c) || std::string_view("-_./:@~()<[").find(c) != std::string_view::npos;
    };
    return std::all_of(token.begin(), token.begin() + static_cast<std::ptrdiff_t>(end), hostChar);
}

bool endsWithOrigin(std::string_view line)
{
    const std::size_t last = line.find_last_not_of(" \t");
    return last != std::string_view::npos && bgpParser::routeOriginCodes.find(line[last]) != std::string_view::npos;
}

bool onlyPathText(std::string_view line)
{
    bool content = false;
    for (const char c : line) {
        if (isDigit(c) || c == '.' || c == ',' || c == '(' || c == ')' || c == '{' || c == '}' ||
            bgpParser::routeOriginCodes.find(c) != std::string_view::npos)
            content = true;
        else if (!isBlank(c))
            return false;
    }
    return content;
}

} // namespace listing
