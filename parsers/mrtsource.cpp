#include "parsers/mrtsource.h"

#include <utility>

#include "common/readahead.h"

// Reading and decompressing run on a thread of their own: for a compressed
// archive they cost more than decoding, which then overlaps with them.
MrtSource::MrtSource(std::unique_ptr<ByteSource> bytes, std::string_view head)
    : input(std::make_unique<ReadAhead>(std::move(bytes))), reader(*input, head)
{
}

route_step MrtSource::next()
{
    switch (reader.next()) {
    case MrtReader::event::route: return route_step::route;
    case MrtReader::event::parseError: {
        // A record with several damaged entries counts once.
        const std::uint64_t number = reader.error().position.number;
        if (number != lastDamaged)
            ++damagedRecords;
        lastDamaged = number;
        errorText = "MRT record " + std::to_string(number) + " at byte " +
                    std::to_string(reader.error().position.byteOffset.value_or(0));
        return route_step::error;
    }
    case MrtReader::event::readFailure: failure = reader.failure(); return route_step::end;
    case MrtReader::event::end: break;
    }
    return route_step::end;
}

route_error MrtSource::error() const
{
    return route_error{reader.error().position, errorText, reader.error().reason};
}
