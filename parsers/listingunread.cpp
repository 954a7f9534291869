// What a modern reading would take that this one leaves unread: in classic
// mode the routes of a table the classic reading closed and the modern one
// reads on, and in either mode the routes between the end of a table and
// the next header, counted by a trial reading that leaves the parser as it
// was.
#include <optional>

#include "parsers/fileparsers.h"
#include "parsers/listingfamily.h"
#include "parsers/listingtext.h"

using namespace listing;

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
