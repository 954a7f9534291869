// The AS path of a route as the listing prints it: plain ASs (asplain or
// asdot), private ASs in parentheses, AS sets in braces, the origin code at
// the end, in some families glued to the last AS.
#include "parsers/fileparsers.h"
#include "parsers/listingfamily.h"
#include "parsers/listingtext.h"

using textscan::tokenAt;
using namespace listing;

namespace {

constexpr textscan::Delimiters pathDelimiters{' ', ','};

constexpr std::string_view mismatchMessage = "Parentheses mismatch in AS path";
constexpr std::string_view nestedMessage = "Nested AS attributes";

// Whether a token opens a group or set whose characters are `marks`.
bool opensGroup(std::string_view token, std::string_view marks) { return token.size() > 1 && token[0] == marks[0]; }

} // namespace

int bgpParser::readPath(std::string_view text)
{
    clearReason();
    const int result = scanPath(text);
    if (listPath) {
        parsed.path.clear();
        for (const ASItem& item : items)
            parsed.path.enqueue(item);
    }
    return result;
}

int bgpParser::scanPath(std::string_view text)
{
    const asnumber::as_range range = family().range;
    items.clear();
    parsed.origin = 0;
    path_groups groups;
    const char* const at = text.data();
    const std::size_t size = text.size();
    std::size_t pos = 0;
    for (;;) {
        while (pos < size && pathDelimiters(at[pos]))
            ++pos;
        if (pos == size) break;
        // Nearly every token is a plain AS outside any group: its digits are
        // summed in the same pass that finds its end.
        const std::size_t start = pos;
        std::uint64_t value = 0;
        for (unsigned digit = 0; pos < size && (digit = static_cast<unsigned>(at[pos] - '0')) <= 9; ++pos)
            value = value * 10 + digit;
        const bool plain =
            pos > start && pos - start <= asnumber::maxDigits && (pos == size || pathDelimiters(at[pos]));
        if (plain && !groups.inParens && !groups.inBraces && value >= 1 && value <= range.highest) {
            const auto asn = static_cast<asnum_t>(value);
            items.push_back(ASItem{asn, asnumber::isPrivate(asn) ? ASItem::PRIVATE : std::uint8_t{0}});
            continue;
        }
        while (pos < size && !pathDelimiters(at[pos]))
            ++pos;
        if (const int result = readPathToken(text.substr(start, pos - start), text.substr(pos), groups);
            result != parsedOk)
            return result;
    }
    if (groups.inParens || groups.inBraces) return fail(badStructure, mismatchMessage);
    return parsedOk;
}

int bgpParser::readPathToken(std::string_view token, std::string_view rest, path_groups& groups)
{
    const asnumber::as_range range = family().range;
    bool& inParens = groups.inParens;
    bool& inBraces = groups.inBraces;
    std::uint8_t flags = 0;
    // A group in parentheses: "(" glued to its first AS, ")" to its last.
    if (inParens || opensGroup(token, privateAS)) {
        flags |= ASItem::PRIVATE;
        if (const int result = enterGroup(token, privateAS, inParens, inBraces); result != parsedOk) return result;
    }
    if (inBraces || opensGroup(token, ASset)) {
        flags |= ASItem::IN_SET;
        if (const int result = enterGroup(token, ASset, inBraces, inParens); result != parsedOk) return result;
    }
    bool originCode = false;
    if (token.size() == 1) {
        const std::size_t code = routeOriginCodes.find(token[0]);
        if (code != std::string_view::npos) {
            parsed.origin = static_cast<std::uint8_t>(parsed.origin | (1u << code));
            originCode = true;
        }
    } else if (family().gluedOrigin && tokenAt(rest, 0, pathDelimiters).empty()) {
        // Some families glue the origin code to the last AS, after the close
        // of its group or set: "4230 65000i", "(65001 65003)i", "{64512 64513}?".
        const std::size_t code = routeOriginCodes.find(token.back());
        const char before = token[token.size() - 2];
        if (code != std::string_view::npos && (isDigit(before) || before == privateAS[1] || before == ASset[1])) {
            parsed.origin = static_cast<std::uint8_t>(parsed.origin | (1u << code));
            token.remove_suffix(1);
        }
    }
    if (const int result = leaveGroup(token, privateAS, inParens); result != parsedOk) return result;
    if (const int result = leaveGroup(token, ASset, inBraces); result != parsedOk) return result;
    if (originCode) return parsedOk;
    const auto asn = asnumber::parse(token, range);
    if (!asn) return failQuoted(badValue, "Invalid AS number or path flag: `", token);
    if (asnumber::isPrivate(*asn)) flags |= ASItem::PRIVATE;
    items.push_back(ASItem{*asn, flags});
    return parsedOk;
}

int bgpParser::enterGroup(std::string_view& token, std::string_view marks, bool& inGroup, bool inOther)
{
    if (!inGroup)
        token.remove_prefix(1);
    else if (opensGroup(token, marks))
        return fail(badStructure, mismatchMessage);
    inGroup = true;
    return inOther ? fail(badValue, nestedMessage) : parsedOk;
}

int bgpParser::leaveGroup(std::string_view& token, std::string_view marks, bool& inGroup)
{
    if (token.size() < 2 || token.back() != marks[1]) return parsedOk;
    if (!inGroup) return fail(badStructure, mismatchMessage);
    token.remove_suffix(1);
    inGroup = false;
    return parsedOk;
}
