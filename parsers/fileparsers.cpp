// The BGP table dump parser. The listing is a table for humans: optional
// columns are left blank, numbers are right-aligned under their captions, a
// network too long for its column shifts the rest of its line to the right
// or pushes it onto the next line, and further paths to the same network
// leave the network column empty. So every field is located from the caption
// columns of the last header line, never by counting tokens.
#include "parsers/fileparsers.h"

#include "parsers/textscan.h"

using textscan::tokenAt;

namespace {

constexpr textscan::Delimiters lineDelimiters = textscan::blankOrTab;
constexpr textscan::Delimiters pathDelimiters{' ', ','};
// The width of the network column: longer network texts shift the line.
constexpr std::size_t networkWidth = 16;
// ASs from here up are reserved for private use.
constexpr long long firstPrivateAS = 64512;

constexpr std::string_view mismatchMessage = "Parentheses mismatch in AS path";
constexpr std::string_view nestedMessage = "Nested AS attributes";

// Index of each route status character in routeStatCodes, -1 for others:
// looked up for the first three characters of every line.
constexpr std::array<signed char, 256> statusIndex = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < bgpParser::routeStatCodes.size(); ++i)
        table[static_cast<unsigned char>(bgpParser::routeStatCodes[i])] = static_cast<signed char>(i);
    return table;
}();

int statusCode(char c)
{
    return statusIndex[static_cast<unsigned char>(c)];
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Positions past the end of the line read as blanks.
char charAt(std::string_view line, std::size_t index)
{
    return index < line.size() ? line[index] : ' ';
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

} // namespace

void bgpParser::readHeader(std::string_view line)
{
    for (std::size_t i = 0; i < fieldCaptions.size(); ++i) {
        const std::size_t at = line.find(fieldCaptions[i]);
        fieldPos[i] = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
    }
    headerFound = true;
    anyHeader = true;
}

bool bgpParser::isRouteLine(std::string_view line) const
{
    // Each of the first three characters is a blank or a status character;
    // a status character met twice (as in a "**>" banner) is no route.
    std::uint16_t seen = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = charAt(line, i);
        if (c == ' ')
            continue;
        const int code = statusCode(c);
        if (code < 0 || (seen & (1u << code)) != 0)
            return false;
        seen = static_cast<std::uint16_t>(seen | (1u << code));
    }
    return true;
}

int bgpParser::nextLine()
{
    clearReason();
    if (stream == nullptr)
        return fail(noInput, noFileMessage);
    if (inputExhausted())
        return endOfInput;
    // A table that closes and reopens within this call keeps the network.
    if (!headerFound)
        lastNetwork.reset();
    while (readLine()) {
        const std::string_view line(lineBuf);
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
            if (isRouteLine(line)) {
                cutAtLineEnd();
                return lineReady;
            }
            // Anything else (a summary, a prompt) ends the table.
            headerFound = false;
        } else if (pager) {
            // The pager interrupted a table: go on with the last header's columns.
            headerFound = true;
        }
    }
    lineBuf.clear();
    return endOfInput;
}

int bgpParser::takeContinuation()
{
    // The route goes on in the next line that is neither short nor a pager line.
    while (readLine()) {
        ++parsedCount;
        if (lineBuf.size() < 4 || lineBuf.find(fieldCaptions[capMore]) != std::string::npos)
            continue;
        const std::size_t n = lineBuf.size();
        if (lineBuf[n - 2] == '\n' || lineBuf[n - 2] == '\r')
            lineBuf.resize(n - 2);
        else if (lineBuf[n - 1] == '\n' || lineBuf[n - 1] == '\r')
            lineBuf.resize(n - 1);
        if (lineTruncated)
            return failTruncated();
        return parsedOk;
    }
    return fail(endInRecord, "Unexpected end of file (next hop expected)");
}

int bgpParser::parseNetwork(std::string_view line, std::size_t& networkLength)
{
    const auto column = static_cast<std::size_t>(fieldPos[capNetwork]);
    networkLength = 0;
    if (line.size() >= column && !isBlank(line[column - 1])) {
        const std::string_view token = tokenAt(line, column - 1, lineDelimiters);
        if (token.empty())
            return fail(badStructure, "Invalid network");
        networkLength = token.size();
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
        if (withLength)
            lastNetmask = IPNetmask(static_cast<int>(numbers[4]));
        else
            lastNetmask.reset();
    }
    if (!lastNetwork)
        return fail(badStructure, "Could not retrieve any previous network value");
    parsed.network = *lastNetwork;
    parsed.routeMask = lastNetmask;
    return parsedOk;
}

int bgpParser::parseNextHop(std::string_view line, std::size_t shift)
{
    const std::size_t start = shift + static_cast<std::size_t>(fieldPos[capNextHop]) - 1;
    const std::string_view token = tokenAt(line, start, lineDelimiters);
    if (token.empty())
        return fail(badStructure, "Invalid next hop");
    long long numbers[4] = {};
    if (textscan::scanSeparated(token, "...", numbers, 4) < 4)
        return failQuoted(badValue, "Invalid next hop: `", token);
    long long bad = 0;
    if (!inRange(numbers, 4, 0, 255, bad))
        return failQuoted(badValue, "Invalid next hop byte value: `", bad);
    parsed.nextHop = addressOf(numbers);
    return parsedOk;
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
    const auto smallNumber = [&](caption field, std::optional<std::int32_t>& target,
                                 std::string_view message) {
        if (!present(field)) {
            target.reset();
            return parsedOk;
        }
        const std::string_view token =
            tokenAt(line, static_cast<std::size_t>(fieldPos[field]) - 1 + shift, lineDelimiters);
        const auto value = textscan::decimalValue(token);
        if (!value || *value < 0 || *value > 65535)
            return failQuoted(badValue, message, token);
        target = static_cast<std::int32_t>(*value);
        return parsedOk;
    };
    const int result = smallNumber(capLocPrf, parsed.localPref, "Invalid local preference value: `");
    if (result != parsedOk)
        return result;
    return smallNumber(capWeight, parsed.weight, "Invalid weight value: `");
}

int bgpParser::parsePath(std::string_view line, std::size_t shift)
{
    const auto column = static_cast<std::size_t>(fieldPos[capPath]);
    if (column == 0)
        return fail(badStructure, "Could not determine position of the AS path field");
    if (line.size() < shift + column)
        return fail(badStructure, "No AS path");
    const std::string_view text = line.substr(shift + column - 1);

    parsed.path.clear();
    parsed.origin = 0;
    bool inParens = false;
    bool inBraces = false;
    std::size_t pos = 0;
    for (;;) {
        std::string_view token = tokenAt(text, pos, pathDelimiters);
        if (token.empty())
            break;
        pos = static_cast<std::size_t>(token.data() - text.data()) + token.size();
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
            continue;
        const auto asn = textscan::asNumberValue<asnum_t>(token, 1);
        if (!asn)
            return failQuoted(badValue, "Invalid AS number or path flag: `", token);
        if (*asn >= firstPrivateAS)
            flags |= ASItem::PRIVATE;
        parsed.path.enqueue(ASItem{*asn, flags});
    }
    if (inParens || inBraces)
        return fail(badStructure, mismatchMessage);
    return parsedOk;
}

int bgpParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk)
        return code;
    std::string_view line(lineBuf);

    parsed.status = 0;
    for (std::size_t i = 0; i < 3 && i < line.size(); ++i) {
        if (line[i] == ' ')
            continue;
        const int code = statusCode(line[i]);
        if (code < 0)
            return failQuoted(badValue, "Unrecognized route status character: `", line.substr(i, 1));
        parsed.status = static_cast<std::uint16_t>(parsed.status | (1u << code));
    }
    if (fieldPos[capNetwork] == 0)
        return fail(badStructure, "Could not determine position of network field");
    std::size_t networkLength = 0;
    if (const int result = parseNetwork(line, networkLength); result != parsedOk)
        return result;
    if (fieldPos[capNextHop] == 0)
        return fail(badStructure, "Could not determine position of next hop field");
    std::size_t shift = networkLength > networkWidth ? networkLength - networkWidth : 0;
    if (line.size() < shift + static_cast<std::size_t>(fieldPos[capNextHop])) {
        // The rest of the route is on the next line, on unshifted columns.
        shift = 0;
        if (const int result = takeContinuation(); result != parsedOk)
            return result;
        line = lineBuf;
    }
    if (const int result = parseNextHop(line, shift); result != parsedOk)
        return result;
    if (const int result = parseNumberColumns(line, shift); result != parsedOk)
        return result;
    if (const int result = parsePath(line, shift); result != parsedOk)
        return result;
    ++parsedCount;
    return parsedOk;
}
