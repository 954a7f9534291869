#include "parsers/routeinput.h"

#include <cstdio>
#include <utility>

#include "common/decompress.h"
#include "parsers/listingsource.h"

std::unique_ptr<route_source> openRouteFile(const char* path, const source_options& options)
{
    std::unique_ptr<ByteSource> input = openInputFile(path);
    if (!input)
        return nullptr;
    return std::make_unique<ListingSource>(std::move(input), options.modern);
}

std::unique_ptr<route_source> openRouteStdin(const source_options& options)
{
    auto input = std::make_unique<StreamSource>(stdin, false, StreamSource::pacing::blocks);
    return std::make_unique<ListingSource>(decompressing(std::move(input)), options.modern);
}
