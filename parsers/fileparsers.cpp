// The BGP table dump parser. The listing is a table for humans: optional
// columns are left blank, numbers are right-aligned under their captions, a
// network too long for its column shifts the rest of its line to the right
// or pushes it onto the next line, and further paths to the same network
// leave the network column empty. So every field is located from the caption
// columns of the last header line, never by counting tokens.
#include "parsers/fileparsers.h"

#include <algorithm>

#include "parsers/textscan.h"

using textscan::tokenAt;

namespace {

constexpr textscan::Delimiters lineDelimiters = textscan::blankOrTab;
constexpr textscan::Delimiters pathDelimiters{' ', ','};

constexpr std::string_view mismatchMessage = "Parentheses mismatch in AS path";
constexpr std::string_view nestedMessage = "Nested AS attributes";
constexpr std::string_view statusMessage = "Unrecognized route status character: `";

// Caption variants of today's listings, tried when the classic caption is
// missing: IOS-XR's flush-left "Next-hop" and Arista's "LocPref".
constexpr std::string_view nextHopVariants[] = {"Next-hop", "Next-Hop"};
constexpr std::string_view locPrefVariant = "LocPref";
// The caption of the peer column of IOS-XR's advertised-routes listing.
constexpr std::string_view fromCaption = "From";
// Lines that open a section inside a table (a VPN or VRF table) and are
// followed by more routes.
constexpr std::string_view sectionPrefixes[] = {"Route Distinguisher:", "VRF ", "VRF:",
                                                "BGP routing table information for VRF"};

// Index of each status character in statusCodes, -1 for others: looked up
// for the first characters of every line. Indices below the length of
// routeStatCodes are the classic characters.
constexpr std::array<signed char, 256> statusIndex = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < bgpParser::statusCodes.size(); ++i)
        table[static_cast<unsigned char>(bgpParser::statusCodes[i])] = static_cast<signed char>(i);
    return table;
}();
static_assert(bgpParser::statusCodes.substr(0, bgpParser::routeStatCodes.size()) == bgpParser::routeStatCodes);
static_assert(bgpParser::statusCodes.size() <= 32, "status bits must fit their field");

int statusCode(char c)
{
    return statusIndex[static_cast<unsigned char>(c)];
}

int classicStatusCode(char c)
{
    const int code = statusCode(c);
    return code < static_cast<int>(bgpParser::routeStatCodes.size()) ? code : -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Where the first non-blank character stands, npos when none. A plain loop:
// find_first_not_of calls memchr once per character, and continuation lines
// start with dozens of blanks.
std::size_t firstNonBlank(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    return i < line.size() ? i : std::string_view::npos;
}

// Positions past the end of the line read as blanks.
char charAt(std::string_view line, std::size_t index)
{
    return index < line.size() ? line[index] : ' ';
}

// The line without its line end (and anything after a carriage return).
std::string_view withoutLineEnd(std::string_view line)
{
    return line.substr(0, line.find_first_of("\r\n"));
}

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

bool isIPv6Text(std::string_view token)
{
    return token.find(':') != std::string_view::npos;
}

// The shapes that make a line look like a route, for deciding that a line
// which cannot be read is a broken route rather than the end of the table.
// An IPv4 address "a.b.c.d", optionally with "/len".
bool looksLikeIPv4(std::string_view token)
{
    int dots = 0;
    bool digit = false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = token[i];
        if (c == '/')
            return dots == 3 && digit && i + 1 < token.size();
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
    if (token.size() == 1 && bgpParser::routeOriginCodes.find(token[0]) != std::string_view::npos)
        return true;
    if (!token.empty() && bgpParser::routeOriginCodes.find(token.back()) != std::string_view::npos)
        token.remove_suffix(1);
    while (!token.empty() && (token.back() == ')' || token.back() == '}'))
        token.remove_suffix(1);
    while (!token.empty() && (token.front() == '(' || token.front() == '{'))
        token.remove_prefix(1);
    if (token.empty() || !isDigit(token.back()))
        return false;
    for (const char c : token)
        if (!isDigit(c) && c != '.' && c != ',')
            return false;
    return true;
}

// A network or next-hop address followed by something that ends like a path.
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

// An interface as routers name it: "Ethernet1/1", "swp1", "bond0.100".
bool isInterfaceName(std::string_view token)
{
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (token.empty() || !letter(token[0]))
        return false;
    return std::all_of(token.begin(), token.end(), [&letter](char c) {
        return letter(c) || isDigit(c) || c == '/' || c == '.' || c == '-' || c == '_';
    });
}

bool isSectionLine(std::string_view line)
{
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    line.remove_prefix(start);
    // Asked for every route line: most are out at the first character.
    if (line.empty() || (line[0] != 'R' && line[0] != 'V' && line[0] != 'B'))
        return false;
    for (const std::string_view prefix : sectionPrefixes)
        if (line.substr(0, prefix.size()) == prefix)
            return true;
    return false;
}

} // namespace

void bgpParser::resetInputState()
{
    headerFound = false;
    fieldPos.fill(0);
    ++headerCount;
}

bgpParser::row_columns bgpParser::rowColumns() const
{
    return row_columns{fieldPos, layout};
}

void bgpParser::setRowColumns(const row_columns& columns)
{
    fieldPos = columns.fieldPos;
    layout = columns.layout;
}

void bgpParser::readHeader(std::string_view line)
{
    for (std::size_t i = 0; i < fieldCaptions.size(); ++i) {
        const std::size_t at = line.find(fieldCaptions[i]);
        fieldPos[i] = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
    }
    headerFound = true;
    anyHeader = true;
    ++headerCount;

    // Today's layouts, kept apart so that the classic reading stays as it was.
    layout = table_layout();
    layout.column = fieldPos;
    for (std::size_t i = 0; i < fieldCaptions.size(); ++i)
        layout.captionLength[i] = fieldCaptions[i].size();
    for (const std::string_view variant : nextHopVariants) {
        const std::size_t at = line.find(variant);
        if (layout.column[capNextHop] == 0 && at != std::string_view::npos)
            layout.column[capNextHop] = static_cast<int>(at) + 1;
    }
    const std::size_t locPref = line.find(locPrefVariant);
    if (layout.column[capLocPrf] == 0 && locPref != std::string_view::npos) {
        layout.column[capLocPrf] = static_cast<int>(locPref) + 1;
        layout.captionLength[capLocPrf] = locPrefVariant.size();
    }
    const std::size_t networkIndex =
        layout.column[capNetwork] > 0 ? static_cast<std::size_t>(layout.column[capNetwork]) - 1 : 0;
    const std::size_t from = line.find(fromCaption);
    if (from != std::string_view::npos && from > networkIndex) {
        // A listing of what is sent to a neighbour: no status columns, the
        // network flush with its caption, the path after the From column.
        layout.fromIndex = from;
        layout.networkIndex = networkIndex;
        layout.statusEnd = 0;
    } else {
        // The first three characters always belong to the status, even
        // under a flush-left header.
        layout.networkIndex = std::max<std::size_t>(networkIndex, 3);
        layout.statusEnd = layout.networkIndex;
    }
    modernTableOpen = true;
}

bool bgpParser::isRouteLine(std::string_view line) const
{
    // Each of the first three characters is a blank or a status character;
    // a status character met twice (as in a "**>" banner) is no route.
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = charAt(line, i);
        if (c == ' ')
            continue;
        const int code = classicStatusCode(c);
        if (code < 0 || (seen & (1u << code)) != 0)
            return false;
        seen |= 1u << code;
    }
    return true;
}

bool bgpParser::statusAreaValid(std::string_view line) const
{
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < layout.statusEnd; ++i) {
        const char c = charAt(line, i);
        if (c == ' ')
            continue;
        if (c == '\n' || c == '\r')
            break; // the line ends inside the status area: the rest is blank
        const int code = statusCode(c);
        if (code < 0 || (seen & (1u << code)) != 0)
            return false;
        seen |= 1u << code;
    }
    return true;
}

bgpParser::line_kind bgpParser::classifyModern(std::string_view line) const
{
    if (isSectionLine(line))
        return line_kind::section;
    if (layout.statusEnd > 0 && statusAreaValid(line))
        return line_kind::route;
    // Summaries and prompts end the table; a line that carries an address
    // and a path is a route, even when it cannot be read.
    return looksLikeRoute(withoutLineEnd(line)) ? line_kind::route : line_kind::other;
}

void bgpParser::noteClosedTableLine(std::string_view line)
{
    switch (classifyModern(line)) {
    case line_kind::route:
        if (unread.count++ == 0)
            unread.firstLine = readCount;
        break;
    case line_kind::section:
        break;
    case line_kind::other:
        modernTableOpen = false;
        break;
    }
}

int bgpParser::nextLine()
{
    clearReason();
    if (!isOpen())
        return fail(noInput, noFileMessage);
    if (inputExhausted())
        return endInput();
    // A table that closes and reopens within this call keeps the network.
    if (!headerFound) {
        lastNetwork.reset();
        lastNetwork6.reset();
    }
    while (readLine()) {
        const std::string_view line(lineText);
        if (line.size() < 4)
            continue;
        const std::string_view token = tokenAt(line, 0, lineDelimiters);
        if (token.find(fieldCaptions[capNetwork]) != std::string_view::npos) {
            readHeader(line);
            continue;
        }
        const bool pager = token.find(fieldCaptions[capMore]) != std::string_view::npos;
        if (headerFound) {
            if (pager)
                continue;
            if (modern) {
                const line_kind kind = classifyModern(line);
                if (kind == line_kind::route) {
                    cutAtLineEnd();
                    return lineReady;
                }
                if (kind == line_kind::section) {
                    // A new section lists its own networks.
                    lastNetwork.reset();
                    lastNetwork6.reset();
                    continue;
                }
            } else if (isRouteLine(line)) {
                cutAtLineEnd();
                return lineReady;
            } else {
                noteClosedTableLine(line);
            }
            // Anything else (a summary, a prompt) ends the table.
            headerFound = false;
        } else if (pager) {
            // The pager interrupted a table: go on with the last header's columns.
            headerFound = true;
            anyHeader = true;
        } else if (!modern && modernTableOpen) {
            noteClosedTableLine(line);
        }
    }
    return endInput();
}

int bgpParser::takeContinuation()
{
    // The route goes on in the next line that is neither short nor a pager line.
    while (readLine()) {
        ++parsedCount;
        if (lineText.size() < 4 || lineText.find(fieldCaptions[capMore]) != std::string_view::npos)
            continue;
        const std::size_t n = lineText.size();
        if (lineText[n - 2] == '\n' || lineText[n - 2] == '\r')
            lineText.remove_suffix(2);
        else if (lineText[n - 1] == '\n' || lineText[n - 1] == '\r')
            lineText.remove_suffix(1);
        if (lineTruncated)
            return failTruncated();
        return parsedOk;
    }
    return fail(endInRecord, "Unexpected end of file (next hop expected)");
}

int bgpParser::parseNetwork(std::string_view line, std::size_t start, std::size_t& networkLength)
{
    networkLength = 0;
    if (start < line.size() && !isBlank(line[start])) {
        const std::string_view token = tokenAt(line, start, lineDelimiters);
        if (token.empty())
            return fail(badStructure, "Invalid network");
        networkLength = token.size();
        // The rows after a network that cannot be read belong to it, not to
        // the network before: they must not be written with that one.
        forgetNetwork();
        if (modern && isIPv6Text(token))
            return parseNetwork6(token);
        long long numbers[5] = {};
        const bool withLength = token.find('/') != std::string_view::npos;
        if (withLength) {
            if (textscan::scanSeparated(token, ".../", numbers, 5) < 5)
                return failQuoted(badValue, "Invalid network address/netmask: `", token);
            if (numbers[4] < 0 || numbers[4] > 32)
                return failQuoted(badValue, "Invalid netmask value: `", numbers[4]);
        } else if (textscan::scanSeparated(token, "...", numbers, 4) < 4) {
            return failQuoted(badValue, "Invalid network address: `", token);
        }
        long long bad = 0;
        if (!inRange(numbers, 4, 0, 255, bad))
            return failQuoted(badValue, "Invalid network byte value: `", bad);
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
    if (!lastNetwork)
        return fail(badStructure, "Could not retrieve any previous network value");
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
    if (!prefix)
        return failQuoted(badValue, "Invalid IPv6 network: `", token);
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
    if (parsed.routeMask)
        length = static_cast<std::uint8_t>(parsed.routeMask->brief());
    prefix = route_prefix::ipv4(parsed.network.value(), length);
}

int bgpParser::parseNextHop(std::string_view line, std::size_t start)
{
    const std::string_view token = tokenAt(line, start, lineDelimiters);
    if (token.empty())
        return fail(badStructure, "Invalid next hop");
    nextHopEnd = static_cast<std::size_t>(token.data() - line.data()) + token.size();
    if (lastNetwork6)
        return checkNextHop6(token);
    // Local routes show "-" (Arista), and an IPv4 route may be reached over
    // an IPv6 next hop or, on an unnumbered session, an interface: either
    // way there is no IPv4 next hop to keep.
    if (modern && (token == "-" || isIPv6Text(token) || isInterfaceName(token))) {
        parsed.nextHop = IPAddress();
        return parsedOk;
    }
    long long numbers[4] = {};
    if (textscan::scanSeparated(token, "...", numbers, 4) < 4)
        return failQuoted(badValue, "Invalid next hop: `", token);
    long long bad = 0;
    if (!inRange(numbers, 4, 0, 255, bad))
        return failQuoted(badValue, "Invalid next hop byte value: `", bad);
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
    if (token == "-" || isInterfaceName(token))
        return parsedOk;
    known_next_hop& known = knownNextHops[knownSlot(token)];
    if (known.matches(token))
        return parsedOk;
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

int bgpParser::parseNumberColumns(std::string_view line, std::size_t shift)
{
    // A value is present when something stands under the caption's last
    // letter: the numbers are right-aligned there.
    const auto present = [&](caption field) {
        const auto column = static_cast<std::size_t>(fieldPos[field]);
        if (column == 0 || line.size() < column)
            return false;
        return !isBlank(charAt(line, column - 1 + fieldCaptions[field].size() - 1 + shift));
    };
    // Metrics can be wider than their caption: the number may begin left of
    // the caption's first column, so its start is searched leftwards.
    if (present(capMetric)) {
        std::size_t start = static_cast<std::size_t>(fieldPos[capMetric]) - 1 + shift;
        while (start > 0 && charAt(line, start) != ' ')
            --start;
        const std::string_view token = tokenAt(line, start, lineDelimiters);
        const auto metric = textscan::unsignedValue(token);
        if (!metric)
            return failQuoted(badValue, "Invalid metric value: `", token);
        parsed.metric = *metric;
    } else {
        parsed.metric.reset();
    }
    if (present(capLocPrf)) {
        // So can a local preference (32 bits, up to 10 digits), but never
        // reaching back under the Metric caption.
        const std::size_t metricEnd =
            fieldPos[capMetric] > 0 && fieldPos[capMetric] < fieldPos[capLocPrf]
                ? static_cast<std::size_t>(fieldPos[capMetric]) - 1 + fieldCaptions[capMetric].size() + shift
                : 0;
        std::size_t start = static_cast<std::size_t>(fieldPos[capLocPrf]) - 1 + shift;
        while (start > metricEnd && !isBlank(charAt(line, start)) && !isBlank(charAt(line, start - 1)))
            --start;
        const std::string_view token = tokenAt(line, start, lineDelimiters);
        const auto value = textscan::decimalValue(token);
        if (!value || *value < 0 || *value > 4294967295LL)
            return failQuoted(badValue, "Invalid local preference value: `", token);
        parsed.localPref = static_cast<std::uint32_t>(*value);
    } else {
        parsed.localPref.reset();
    }
    if (present(capWeight)) {
        const std::string_view token =
            tokenAt(line, static_cast<std::size_t>(fieldPos[capWeight]) - 1 + shift, lineDelimiters);
        const auto value = textscan::decimalValue(token);
        if (!value || *value < 0 || *value > 65535)
            return failQuoted(badValue, "Invalid weight value: `", token);
        parsed.weight = static_cast<std::int32_t>(*value);
    } else {
        parsed.weight.reset();
    }
    return parsedOk;
}

int bgpParser::parseModernNumbers(std::string_view line, std::size_t offset)
{
    // Today's families align these numbers right, left or centred under their
    // captions, and print "-" for a missing value: take the token that
    // overlaps the caption. A long next hop may reach under the Metric
    // caption; it is never taken for a number.
    const auto valueUnder = [&](caption field) -> std::string_view {
        if (layout.column[field] == 0)
            return {};
        const std::size_t column = static_cast<std::size_t>(layout.column[field]) - 1 + offset;
        const std::size_t last = column + layout.captionLength[field] - 1;
        for (std::size_t i = std::max(column, nextHopEnd); i <= last && i < line.size(); ++i) {
            if (isBlank(line[i]))
                continue;
            std::size_t start = i;
            while (start > nextHopEnd && !isBlank(line[start - 1]))
                --start;
            const std::string_view token = tokenAt(line, start, lineDelimiters);
            return token == "-" ? std::string_view() : token;
        }
        return {};
    };
    // The value under a caption within 0..highest; none when absent.
    const auto number = [&](caption field, long long highest, std::string_view message,
                            std::optional<long long>& value) {
        const std::string_view token = valueUnder(field);
        value.reset();
        if (token.empty())
            return parsedOk;
        value = textscan::decimalValue(token);
        if (!value || *value < 0 || *value > highest)
            return failQuoted(badValue, message, token);
        return parsedOk;
    };
    const std::string_view metric = valueUnder(capMetric);
    parsed.metric.reset();
    if (!metric.empty()) {
        parsed.metric = textscan::unsignedValue(metric);
        if (!parsed.metric)
            return failQuoted(badValue, "Invalid metric value: `", metric);
    }
    std::optional<long long> localPref;
    std::optional<long long> weight;
    if (const int result = number(capLocPrf, 4294967295LL, "Invalid local preference value: `", localPref);
        result != parsedOk)
        return result;
    if (const int result = number(capWeight, 65535, "Invalid weight value: `", weight); result != parsedOk)
        return result;
    parsed.localPref.reset();
    parsed.weight.reset();
    if (localPref)
        parsed.localPref = static_cast<std::uint32_t>(*localPref);
    if (weight)
        parsed.weight = static_cast<std::int32_t>(*weight);
    return parsedOk;
}

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
    const asnumber::as_range range = modern ? asnumber::wideRange : asnumber::classicRange;
    items.clear();
    parsed.origin = 0;
    path_groups groups;
    const char* const at = text.data();
    const std::size_t size = text.size();
    std::size_t pos = 0;
    for (;;) {
        while (pos < size && pathDelimiters(at[pos]))
            ++pos;
        if (pos == size)
            break;
        // Nearly every token is a plain AS outside any group: its digits are
        // summed in the same pass that finds its end.
        const std::size_t start = pos;
        std::uint64_t value = 0;
        for (unsigned digit = 0; pos < size && (digit = static_cast<unsigned>(at[pos] - '0')) <= 9; ++pos)
            value = value * 10 + digit;
        const bool plain = pos > start && pos - start <= asnumber::maxDigits && (pos == size || pathDelimiters(at[pos]));
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
    if (groups.inParens || groups.inBraces)
        return fail(badStructure, mismatchMessage);
    return parsedOk;
}

int bgpParser::readPathToken(std::string_view token, std::string_view rest, path_groups& groups)
{
    const asnumber::as_range range = modern ? asnumber::wideRange : asnumber::classicRange;
    bool& inParens = groups.inParens;
    bool& inBraces = groups.inBraces;
    std::uint8_t flags = 0;
    // A group in parentheses: "(" glued to its first AS, ")" to its last.
    if (inParens || (token.size() > 1 && token[0] == privateAS[0])) {
        flags |= ASItem::PRIVATE;
        if (!inParens)
            token.remove_prefix(1);
        else if (token.size() > 1 && token[0] == privateAS[0])
            return fail(badStructure, mismatchMessage);
        inParens = true;
        if (inBraces)
            return fail(badValue, nestedMessage);
    }
    if (inBraces || (token.size() > 1 && token[0] == ASset[0])) {
        flags |= ASItem::IN_SET;
        if (!inBraces)
            token.remove_prefix(1);
        else if (token.size() > 1 && token[0] == ASset[0])
            return fail(badStructure, mismatchMessage);
        inBraces = true;
        if (inParens)
            return fail(badValue, nestedMessage);
    }
    bool originCode = false;
    if (token.size() == 1) {
        const std::size_t code = routeOriginCodes.find(token[0]);
        if (code != std::string_view::npos) {
            parsed.origin = static_cast<std::uint8_t>(parsed.origin | (1u << code));
            originCode = true;
        }
    }
    if (token.size() > 1 && token.back() == privateAS[1]) {
        if (!inParens)
            return fail(badStructure, mismatchMessage);
        token.remove_suffix(1);
        inParens = false;
    }
    if (token.size() > 1 && token.back() == ASset[1]) {
        if (!inBraces)
            return fail(badStructure, mismatchMessage);
        token.remove_suffix(1);
        inBraces = false;
    }
    if (originCode)
        return parsedOk;
    auto asn = asnumber::parse(token, range);
    if (!asn && modern && token.size() > 1 && tokenAt(rest, 0, pathDelimiters).empty()) {
        // The advertised-routes listing glues the origin code to the last AS.
        const std::size_t code = routeOriginCodes.find(token.back());
        if (code != std::string_view::npos) {
            asn = asnumber::parse(token.substr(0, token.size() - 1), range);
            if (asn)
                parsed.origin = static_cast<std::uint8_t>(parsed.origin | (1u << code));
        }
    }
    if (!asn)
        return failQuoted(badValue, "Invalid AS number or path flag: `", token);
    if (asnumber::isPrivate(*asn))
        flags |= ASItem::PRIVATE;
    items.push_back(ASItem{*asn, flags});
    return parsedOk;
}

int bgpParser::parseStatus(std::string_view line)
{
    parsed.status = 0;
    if (!modern) {
        for (std::size_t i = 0; i < 3 && i < line.size(); ++i) {
            if (line[i] == ' ')
                continue;
            const int code = classicStatusCode(line[i]);
            if (code < 0)
                return failQuoted(badValue, statusMessage, line.substr(i, 1));
            parsed.status |= 1u << code;
        }
        return parsedOk;
    }
    for (std::size_t i = 0; i < layout.statusEnd && i < line.size(); ++i) {
        if (line[i] == ' ')
            continue;
        const int code = statusCode(line[i]);
        if (code < 0)
            return failQuoted(badValue, statusMessage, line.substr(i, 1));
        if ((parsed.status & (1u << code)) != 0)
            return failQuoted(badValue, "Repeated route status character: `", line.substr(i, 1));
        parsed.status |= 1u << code;
    }
    return parsedOk;
}

std::size_t bgpParser::rowOffset(std::string_view line) const
{
    // IOS-XE 16 and later print the rows one column right of the captions:
    // then the next hop starts one column after its caption.
    const std::size_t at = static_cast<std::size_t>(layout.column[capNextHop]) - 1;
    const bool oneRight = isBlank(charAt(line, at)) && !isBlank(charAt(line, at + 1)) &&
                          (at == 0 || isBlank(charAt(line, at - 1)));
    return oneRight ? 1 : 0;
}

int bgpParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk)
        return code;
    std::string_view line(lineText);

    if (const int result = parseStatus(line); result != parsedOk)
        return result;
    const columns& column = modern ? layout.column : fieldPos;
    if (column[capNetwork] == 0)
        return fail(badStructure, "Could not determine position of network field");
    // The network starts in its caption's column; IOS-XE 16 and later print
    // it one column further right.
    const std::size_t networkIndex = modern ? layout.networkIndex : static_cast<std::size_t>(column[capNetwork]) - 1;
    std::size_t offset = 0;
    if (modern && layout.statusEnd > 0 && isBlank(charAt(line, networkIndex)) &&
        networkIndex + 1 < line.size() && !isBlank(line[networkIndex + 1]))
        offset = 1;
    std::size_t networkLength = 0;
    if (const int result = parseNetwork(line, networkIndex + offset, networkLength); result != parsedOk)
        return result;
    const std::size_t networkEnd = networkIndex + offset + networkLength;
    if (column[capNextHop] == 0)
        return fail(badStructure, "Could not determine position of next hop field");
    // A network longer than the room up to the next hop column shifts the
    // rest of its line by the excess.
    const auto nextHopIndex = static_cast<std::size_t>(column[capNextHop]) - 1;
    const std::size_t width = nextHopIndex > networkIndex ? nextHopIndex - networkIndex - 1 : 0;
    if (networkLength > width)
        offset += networkLength - width;
    else if (modern && networkLength == 0)
        offset = rowOffset(line);
    // Blanks after the network (some listings pad their lines) do not hold
    // the rest of the route.
    const std::size_t contentEnd = modern ? line.find_last_not_of(" \t") + 1 : line.size();
    // Today's rows do not always sit under their captions, and a next hop
    // is never read from its middle: it is the first token after the network.
    std::size_t nextHopStart = modern ? networkEnd : nextHopIndex + offset;
    if (modern ? contentEnd <= networkEnd : contentEnd < offset + nextHopIndex + 1)
        if (const int result = takeNextHopLine(line, nextHopIndex, offset, nextHopStart); result != parsedOk)
            return result;
    if (const int result = parseNextHop(line, nextHopStart); result != parsedOk)
        return result;
    if (restOnNextLine(line, nextHopStart))
        if (const int result = takeNumbersLine(line, offset); result != parsedOk)
            return result;
    shift = offset;
    if (!deferRest)
        if (const int result = readRest(line, restMark()); result != parsedOk)
            return result;
    ++parsedCount;
    return parsedOk;
}

int bgpParser::takeNextHopLine(std::string_view& line, std::size_t nextHopIndex, std::size_t& offset,
                               std::size_t& nextHopStart)
{
    // The rest of the route is on the next line, on unshifted columns.
    if (const int result = takeContinuation(); result != parsedOk)
        return result;
    line = lineText;
    if (!modern) {
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
    if (!modern || line.find_last_not_of(" \t") + 1 > nextHopEnd)
        return false;
    return lastNetwork6 || isIPv6Text(tokenAt(line, nextHopStart, lineDelimiters));
}

int bgpParser::takeNumbersLine(std::string_view& line, std::size_t& offset)
{
    // A next hop too long for its column ends its line; the numbers and the
    // path follow on the next one, under their captions. A line with
    // anything left of the Next Hop column is the next route instead.
    if (const int result = takeContinuation(); result != parsedOk)
        return result;
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

int bgpParser::readRest(std::string_view line, rest_mark mark)
{
    clearReason();
    const columns& column = modern ? layout.column : fieldPos;
    const std::size_t offset = mark.shift;
    // Where the next hop ends bounds the numbers after it.
    nextHopEnd = std::min(mark.nextHopEnd, line.size());
    if (const int result = modern ? parseModernNumbers(line, offset) : parseNumberColumns(line, offset);
        result != parsedOk)
        return result;
    std::size_t pathIndex = 0;
    if (modern && layout.fromIndex > 0) {
        // The path follows the neighbour's address in the From column.
        const std::string_view from = tokenAt(line, layout.fromIndex + offset, lineDelimiters);
        if (from.empty())
            return fail(badStructure, "No AS path");
        pathIndex = static_cast<std::size_t>(from.data() - line.data()) + from.size();
    } else {
        if (column[capPath] == 0)
            return fail(badStructure, "Could not determine position of the AS path field");
        pathIndex = static_cast<std::size_t>(column[capPath]) - 1 + offset;
        if (line.size() < pathIndex + 1)
            return fail(badStructure, "No AS path");
    }
    return readPath(line.substr(pathIndex));
}
