// The BGP table dump parser. The listing is a table for humans: optional
// columns are left blank, numbers are right-aligned under their captions, a
// network too long for its column shifts the rest of its line to the right
// or pushes it onto the next line, and further paths to the same network
// leave the network column empty. So every field is located from the caption
// columns of the last header line, never by counting tokens.
//
// Here is the driver: finding tables, their sections and their end
// (nextLine), and a row's status, network and next hop (parseLine). The
// rest has units of its own: the families and their layouts
// (listingfamily.h), line shapes (listinglines.h), the number columns
// (listingcolumns.cpp), the AS path (listingpath.cpp), continuation lines
// and wrapped paths (listingwrap.cpp), keyed records (listingrecord.cpp).
#include "parsers/fileparsers.h"

#include <algorithm>

#include "parsers/listingfamily.h"
#include "parsers/listinglines.h"
#include "parsers/listingtext.h"
#include "parsers/textscan.h"

using textscan::tokenAt;
using namespace listing;

namespace {

constexpr std::string_view statusMessage = "Unrecognized route status character: `";

bool inRange(const long long* values, int count, long long low, long long high, long long& bad)
{
    for (int i = 0; i < count; ++i) {
        if (values[i] < low || values[i] > high) {
            bad = values[i];
            return false;
        }
    }
    return true;
}

IPAddress addressOf(const long long* octets)
{
    return IPAddress(static_cast<std::uint8_t>(octets[0]), static_cast<std::uint8_t>(octets[1]),
                     static_cast<std::uint8_t>(octets[2]), static_cast<std::uint8_t>(octets[3]));
}

bool isIPv6Text(std::string_view token) { return token.find(':') != std::string_view::npos; }

// An interface as routers name it: "Ethernet1/1", "swp1", "bond0.100".
bool isInterfaceName(std::string_view token)
{
    if (token.empty() || !isLetter(token[0])) return false;
    return std::all_of(token.begin(), token.end(), [](char c) {
        return isLetter(c) || isDigit(c) || c == '/' || c == '.' || c == '-' || c == '_';
    });
}

} // namespace

void bgpParser::resetInputState()
{
    headerFound = false;
    layout.column.fill(0);
    ++headerCount;
}

void bgpParser::readHeader(std::string_view line)
{
    headerFound = true;
    anyHeader = true;
    ++headerCount;
    modernLayout = layoutOf(todayFamilyOf(line), line);
    layout = modern ? modernLayout : layoutOf(classicFamily, line);
    modernTableOpen = true;
    modernContinues = false;
    tableEnded = false;
}

bool bgpParser::statusAreaValid(const table_layout& in, std::string_view line) const
{
    std::uint32_t seen = 0;
    const bool firstThree = in.family->status == status_area::firstThree;
    for (std::size_t i = 0; i < in.statusEnd; ++i) {
        const char c = charAt(line, i);
        if (c == ' ') continue;
        if (!firstThree && (c == '\n' || c == '\r')) break; // the line ends inside the status area: the rest is blank
        const int code = statusCode(c);
        if (code < 0 || static_cast<std::size_t>(code) >= in.family->statusCount || (seen & (1u << code)) != 0)
            return false;
        seen |= 1u << code;
    }
    return true;
}

bgpParser::line_kind bgpParser::classify(const table_layout& in, std::string_view line) const
{
    const family_t& family = *in.family;
    if (family.record != nullptr) return recordLineKind(family, line);
    if (family.status == status_area::firstThree)
        return statusAreaValid(in, line) ? line_kind::route : line_kind::other;
    if (isSectionLine(family, line)) return line_kind::section;
    if (in.statusEnd > 0 && statusAreaValid(in, line)) return line_kind::route;
    // A line that carries an address and a path is a route, even when it
    // cannot be read.
    if (looksLikeRoute(withoutLineEnd(line))) return line_kind::route;
    const std::string_view text = withoutIndent(line);
    if (startsWithAny(text, family.endLines) || isPrompt(line)) return line_kind::end;
    return startsWithAny(text, family.quietLines) ? line_kind::quiet : line_kind::other;
}

void bgpParser::noteClosedTableLine(std::string_view line)
{
    if (restOfCountedRoute()) return;
    switch (classify(modernLayout, line)) {
    case line_kind::route:
        if (modernWouldRead(line) && unread.count++ == 0) unread.firstLine = readCount;
        break;
    case line_kind::section:
    case line_kind::quiet: break;
    case line_kind::end: modernTableOpen = false; break;
    case line_kind::other:
        if (!modernLayout.family->skipsUnknownLines) modernTableOpen = false;
        break;
    }
}

bool bgpParser::restOfCountedRoute()
{
    // The rest of a route counted on the line before.
    const bool rest = modernContinues;
    modernContinues = false;
    return rest;
}

void bgpParser::noteOutsideLine(std::string_view line)
{
    // Records open a table of their own wherever they stand.
    if (modernLayout.family->record != nullptr) return;
    if (restOfCountedRoute()) return;
    // Between a table's end and the next header only a route that could be
    // read whole counts: legends and banners hold route-like lines too.
    if (classify(modernLayout, line) == line_kind::route && modernWouldRead(line) && unread.outsideCount++ == 0)
        unread.outsideFirstLine = readCount;
}

bool bgpParser::modernWouldRead(std::string_view line)
{
    // A trial reading with the modern layout, leaving this reader as it was.
    // A row whose rest is on the next line counts once, with its network.
    line = withoutLineEnd(line);
    const table_layout classicLayout = layout;
    const std::optional<IPAddress> network = lastNetwork;
    const std::optional<IPNetmask> netmask = lastNetmask;
    const std::optional<IPv6Prefix> network6 = lastNetwork6;
    const bool pathList = listPath;
    const std::uint32_t status = parsed.status;
    layout = modernLayout;
    listPath = false;
    if (!lastNetwork && !lastNetwork6)
        lastNetwork = IPAddress(); // the rows of a table modern would still read have their network
    bool reads = false;
    std::size_t networkLength = 0;
    if (parseStatus(line) == parsedOk && parseNetwork(line, layout.networkIndex, networkLength) == parsedOk &&
        layout.column[nextHop] != 0) {
        const auto nextHopIndex = static_cast<std::size_t>(layout.column[nextHop]) - 1;
        const std::size_t width = nextHopIndex > layout.networkIndex ? nextHopIndex - layout.networkIndex - 1 : 0;
        const std::size_t offset = networkLength > width ? networkLength - width : 0;
        const std::size_t networkEnd = layout.networkIndex + networkLength;
        if (line.find_last_not_of(" \t") + 1 <= networkEnd) {
            reads = true;
            modernContinues = true;
        } else {
            reads = parseNextHop(line, networkEnd) == parsedOk && readRest(line, {offset, nextHopEnd}) == parsedOk;
        }
    }
    layout = classicLayout;
    lastNetwork = network;
    lastNetmask = netmask;
    lastNetwork6 = network6;
    listPath = pathList;
    parsed.status = status;
    clearReason();
    return reads;
}

bool bgpParser::fetchLine()
{
    if (!held.empty()) {
        current.swap(held);
        held.clear();
        lineText = current;
        return true;
    }
    return readLine();
}

void bgpParser::holdLine() { held.assign(lineText); }

int bgpParser::nextLine()
{
    clearReason();
    skipping = false;
    if (!isOpen()) return fail(noInput, noFileMessage);
    if (held.empty() && inputExhausted()) return endInput();
    // A table that closes and reopens within this call keeps the network.
    if (!headerFound) {
        lastNetwork.reset();
        lastNetwork6.reset();
    }
    while (fetchLine()) {
        const std::string_view line(lineText);
        if (line.size() < 4) continue;
        if (modern && opensRecord(line)) {
            cutAtLineEnd();
            return lineReady;
        }
        const std::string_view token = tokenAt(line, 0, lineDelimiters);
        if (token.find(fieldCaptions[capNetwork]) != std::string_view::npos) {
            readHeader(line);
            continue;
        }
        const bool pager = token.find(fieldCaptions[capMore]) != std::string_view::npos;
        if (headerFound) {
            if (pager) continue;
            switch (classify(layout, line)) {
            case line_kind::route: cutAtLineEnd(); return lineReady;
            case line_kind::section:
                // A new section lists its own networks.
                lastNetwork.reset();
                lastNetwork6.reset();
                continue;
            case line_kind::quiet: continue;
            case line_kind::other:
                if (family().skipsUnknownLines) {
                    skipping = true;
                    ++skippedLines;
                    cutAtLineEnd();
                    return lineReady;
                }
                break;
            case line_kind::end: break;
            }
            if (!modern) noteClosedTableLine(line);
            headerFound = false;
            tableEnded = true;
        } else if (pager) {
            // The pager interrupted a table: go on with the last header's
            // columns (none when no header came before).
            if (layout.family == nullptr) {
                modernLayout = layoutOf(todayFamilies[std::size(todayFamilies) - 1], {});
                layout = modern ? modernLayout : layoutOf(classicFamily, {});
            }
            headerFound = true;
            anyHeader = true;
        } else if (!modern && modernTableOpen) {
            noteClosedTableLine(line);
        } else if (tableEnded && modernLayout.family != nullptr) {
            noteOutsideLine(line);
        }
    }
    return endInput();
}

int bgpParser::parseNetwork(std::string_view line, std::size_t start, std::size_t& networkLength)
{
    networkLength = 0;
    if (start < line.size() && !isBlank(line[start])) {
        const std::string_view token = tokenAt(line, start, lineDelimiters);
        if (token.empty()) return fail(badStructure, "Invalid network");
        networkLength = token.size();
        // The rows after a network that cannot be read belong to it, not to
        // the network before: they must not be written with that one.
        forgetNetwork();
        if (family().todayRows && isIPv6Text(token)) return parseNetwork6(token);
        long long numbers[5] = {};
        const bool withLength = token.find('/') != std::string_view::npos;
        if (withLength) {
            if (textscan::scanSeparated(token, ".../", numbers, 5) < 5)
                return failQuoted(badValue, "Invalid network address/netmask: `", token);
            if (numbers[4] < 0 || numbers[4] > 32) return failQuoted(badValue, "Invalid netmask value: `", numbers[4]);
        } else if (textscan::scanSeparated(token, "...", numbers, 4) < 4) {
            return failQuoted(badValue, "Invalid network address: `", token);
        }
        long long bad = 0;
        if (!inRange(numbers, 4, 0, 255, bad)) return failQuoted(badValue, "Invalid network byte value: `", bad);
        lastNetwork = addressOf(numbers);
        lastNetwork6.reset();
        if (withLength)
            lastNetmask = IPNetmask(static_cast<int>(numbers[4]));
        else
            lastNetmask.reset();
    }
    if (lastNetwork6) {
        parsed.network6 = lastNetwork6;
        return parsedOk;
    }
    if (!lastNetwork) return fail(badStructure, "Could not retrieve any previous network value");
    parsed.network6.reset();
    parsed.network = *lastNetwork;
    parsed.routeMask = lastNetmask;
    return parsedOk;
}

void bgpParser::forgetNetwork()
{
    lastNetwork.reset();
    lastNetmask.reset();
    lastNetwork6.reset();
}

int bgpParser::parseNetwork6(std::string_view token)
{
    const std::optional<IPv6Prefix> prefix = IPv6Prefix::parse(token);
    if (!prefix) return failQuoted(badValue, "Invalid IPv6 network: `", token);
    lastNetwork6 = *prefix;
    parsed.network6 = prefix;
    return parsedOk;
}

void bgpParser::routePrefix(route_prefix& prefix) const
{
    if (parsed.network6) {
        prefix.network.family = ip_family::ipv6;
        prefix.network.bytes = parsed.network6->address().bytes();
        prefix.length = static_cast<std::uint8_t>(parsed.network6->length());
        return;
    }
    std::optional<std::uint8_t> length;
    if (parsed.routeMask) length = static_cast<std::uint8_t>(parsed.routeMask->brief());
    prefix = route_prefix::ipv4(parsed.network.value(), length);
}

int bgpParser::parseNextHop(std::string_view line, std::size_t start)
{
    const std::string_view token = tokenAt(line, start, lineDelimiters);
    if (token.empty()) return fail(badStructure, "Invalid next hop");
    nextHopEnd = static_cast<std::size_t>(token.data() - line.data()) + token.size();
    if (lastNetwork6) return checkNextHop6(token);
    // Local routes show "-" (Arista), and an IPv4 route may be reached over
    // an IPv6 next hop or, on an unnumbered session, an interface: either
    // way there is no IPv4 next hop to keep.
    if (family().todayRows && (token == "-" || isIPv6Text(token) || isInterfaceName(token))) {
        parsed.nextHop = IPAddress();
        return parsedOk;
    }
    long long numbers[4] = {};
    if (textscan::scanSeparated(token, "...", numbers, 4) < 4)
        return failQuoted(badValue, "Invalid next hop: `", token);
    long long bad = 0;
    if (!inRange(numbers, 4, 0, 255, bad)) return failQuoted(badValue, "Invalid next hop byte value: `", bad);
    parsed.nextHop = addressOf(numbers);
    return parsedOk;
}

std::size_t bgpParser::knownSlot(std::string_view token)
{
    // Next hops of one table differ mostly in their last characters.
    const std::size_t n = token.size();
    const auto at = [&token](std::size_t i) { return static_cast<unsigned char>(token[i]); };
    return (n * 31 + at(n - 1) * 7 + at(n / 2) * 3 + at(n > 1 ? n - 2 : 0)) % knownNextHopCount;
}

int bgpParser::checkNextHop6(std::string_view token)
{
    // IPv6 tables show IPv6 next hops, IPv4 ones (dotted or mapped), "-"
    // for local routes, a link-local address with the interface it is
    // reached on, or, for an unnumbered session, the interface alone.
    parsed.nextHop = IPAddress();
    if (token == "-" || isInterfaceName(token)) return parsedOk;
    known_next_hop& known = knownNextHops[knownSlot(token)];
    if (known.matches(token)) return parsedOk;
    const std::size_t zone = token.find('%');
    if (zone != std::string_view::npos && !isInterfaceName(token.substr(zone + 1)))
        return failQuoted(badValue, "Invalid next hop: `", token);
    const std::string_view address = token.substr(0, zone);
    if (IPv6Address::parse(address)) {
        known.remember(token);
        return parsedOk;
    }
    long long numbers[4] = {};
    long long bad = 0;
    if (zone == std::string_view::npos && textscan::scanSeparated(address, "...", numbers, 4) == 4 &&
        inRange(numbers, 4, 0, 255, bad)) {
        parsed.nextHop = addressOf(numbers);
        return parsedOk;
    }
    return failQuoted(badValue, "Invalid next hop: `", token);
}

int bgpParser::parseStatus(std::string_view line)
{
    parsed.status = 0;
    const bool firstThree = family().status == status_area::firstThree;
    for (std::size_t i = 0; i < layout.statusEnd && i < line.size(); ++i) {
        if (line[i] == ' ') continue;
        const int code = statusCode(line[i]);
        if (code < 0 || static_cast<std::size_t>(code) >= family().statusCount)
            return failQuoted(badValue, statusMessage, line.substr(i, 1));
        // The classic reading lets a repeat pass here; its rows cannot hold one.
        if (!firstThree && (parsed.status & (1u << code)) != 0)
            return failQuoted(badValue, "Repeated route status character: `", line.substr(i, 1));
        parsed.status |= 1u << code;
    }
    return parsedOk;
}

std::size_t bgpParser::rowOffset(std::string_view line) const
{
    // IOS-XE 16 and later print the rows one column right of the captions:
    // then the next hop starts one column after its caption.
    if (!family().todayRows) return 0;
    const std::size_t at = static_cast<std::size_t>(layout.column[capNextHop]) - 1;
    const bool oneRight =
        isBlank(charAt(line, at)) && !isBlank(charAt(line, at + 1)) && (at == 0 || isBlank(charAt(line, at - 1)));
    return oneRight ? 1 : 0;
}

int bgpParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk) return code;
    if (skipping) return fail(notUnderstood, notUnderstoodMessage);
    if (family().record != nullptr) return parseRecord();
    std::string_view line(lineText);

    if (const int result = parseStatus(line); result != parsedOk) return result;
    const family_t& rows = family();
    if (layout.column[capNetwork] == 0) return fail(badStructure, "Could not determine position of network field");
    // The network starts in its caption's column; IOS-XE 16 and later print
    // it one column further right.
    const std::size_t networkIndex = layout.networkIndex;
    std::size_t offset = 0;
    if (rows.todayRows && layout.statusEnd > 0 && isBlank(charAt(line, networkIndex)) &&
        networkIndex + 1 < line.size() && !isBlank(line[networkIndex + 1]))
        offset = 1;
    std::size_t networkLength = 0;
    if (const int result = parseNetwork(line, networkIndex + offset, networkLength); result != parsedOk) return result;
    const std::size_t networkEnd = networkIndex + offset + networkLength;
    if (layout.column[capNextHop] == 0) return fail(badStructure, "Could not determine position of next hop field");
    // A network longer than the room up to the next hop column shifts the
    // rest of its line by the excess.
    const auto nextHopIndex = static_cast<std::size_t>(layout.column[capNextHop]) - 1;
    const std::size_t width = nextHopIndex > networkIndex ? nextHopIndex - networkIndex - 1 : 0;
    if (networkLength > width)
        offset += networkLength - width;
    else if (networkLength == 0)
        offset = rowOffset(line);
    // Blanks after the network (some listings pad their lines) do not hold
    // the rest of the route.
    const std::size_t contentEnd = rows.todayRows ? line.find_last_not_of(" \t") + 1 : line.size();
    // Today's rows do not always sit under their captions, and a next hop
    // is never read from its middle: it is the first token after the network.
    std::size_t nextHopStart = rows.todayRows ? networkEnd : nextHopIndex + offset;
    if (rows.todayRows ? contentEnd <= networkEnd : contentEnd < offset + nextHopIndex + 1)
        if (const int result = takeNextHopLine(line, nextHopIndex, offset, nextHopStart); result != parsedOk)
            return result;
    if (const int result = parseNextHop(line, nextHopStart); result != parsedOk) return result;
    if (restOnNextLine(line, nextHopStart))
        if (const int result = takeNumbersLine(line, offset); result != parsedOk) return result;
    if (rows.originAlways && !endsWithOrigin(line)) {
        if (const int result = joinWrappedPath(); result != parsedOk) return result;
        line = lineText;
    }
    shift = offset;
    if (!deferRest)
        if (const int result = readRest(line, restMark()); result != parsedOk) return result;
    ++parsedCount;
    return parsedOk;
}

int bgpParser::takeNextHopLine(std::string_view& line, std::size_t nextHopIndex, std::size_t& offset,
                               std::size_t& nextHopStart)
{
    // The rest of the route is on the next line, on unshifted columns.
    if (const int result = takeContinuation(); result != parsedOk) return result;
    line = lineText;
    if (!family().todayRows) {
        offset = 0;
        nextHopStart = nextHopIndex;
        return parsedOk;
    }
    offset = rowOffset(line);
    // Families indent the next hop line to about the Next Hop column, some a
    // column or two short of it: the next hop is the line's first token. A
    // line with a status or a network of its own is the next route, not the
    // rest of this one.
    const std::size_t first = firstNonBlank(line);
    if (first == std::string_view::npos || first <= layout.networkIndex) {
        // The rows after the route just taken for a continuation belong to
        // it, and its network was not read.
        forgetNetwork();
        return fail(badStructure, "Next hop expected on the line after the network");
    }
    nextHopStart = first;
    return parsedOk;
}

bool bgpParser::restOnNextLine(std::string_view line, std::size_t nextHopStart) const
{
    // Only an IPv6 next hop is long enough to end its line; an IPv4 one
    // that does is a route without its path.
    if (!family().todayRows || line.find_last_not_of(" \t") + 1 > nextHopEnd) return false;
    return lastNetwork6 || isIPv6Text(tokenAt(line, nextHopStart, lineDelimiters));
}

int bgpParser::takeNumbersLine(std::string_view& line, std::size_t& offset)
{
    // A next hop too long for its column ends its line; the numbers and the
    // path follow on the next one, under their captions. A line with
    // anything left of the Next Hop column is the next route instead.
    if (const int result = takeContinuation(); result != parsedOk) return result;
    line = lineText;
    const std::size_t first = firstNonBlank(line);
    if (first == std::string_view::npos || first < static_cast<std::size_t>(layout.column[capNextHop])) {
        forgetNetwork();
        return fail(badStructure, "Metric, local preference, weight and path expected on the line after the next hop");
    }
    nextHopEnd = 0;
    offset = 0;
    return parsedOk;
}
