#include "parsers/mrtsource.h"

#include <utility>

MrtSource::MrtSource(std::unique_ptr<ByteSource> bytes, std::string_view head)
    : input(std::move(bytes)), reader(*input, head)
{
}

route_step MrtSource::next()
{
    switch (reader.next()) {
    case MrtReader::event::route: return route_step::route;
    case MrtReader::event::parseError: {
        // A record with several damaged entries counts once.
        const std::uint64_t number = reader.error().position.number;
        if (number != lastDamaged) ++damagedRecords;
        lastDamaged = number;
        describeRecord(reader.error().header);
        return route_step::error;
    }
    case MrtReader::event::readFailure: failure = reader.failure(); return route_step::end;
    case MrtReader::event::end: break;
    }
    return route_step::end;
}

// What the damaged record claims to be: "TABLE_DUMP_V2 subtype 2, 120 bytes".
void MrtSource::describeRecord(const std::optional<mrt_header>& header)
{
    if (!header) {
        errorText = "MRT record header cut short";
        return;
    }
    const char* name = mrtTypeName(header->type);
    errorText = name != nullptr ? name : "MRT type " + std::to_string(header->type);
    errorText += " subtype " + std::to_string(header->subtype) + ", " + std::to_string(header->length) + " bytes";
}

route_error MrtSource::error() const { return route_error{reader.error().position, errorText, reader.error().reason}; }

std::vector<std::pair<std::string, std::uint64_t>> MrtSource::contentCounts() const
{
    std::vector<std::pair<std::string, std::uint64_t>> counts;
    forEachCount(reader.counts(), [&counts](std::string_view label, std::uint64_t count) {
        counts.emplace_back(std::string(label), count);
    });
    return counts;
}
