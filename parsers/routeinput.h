#pragma once
// Opening an input of routesift as a route source, whatever its format.
#include <memory>

#include "common/bytesource.h"
#include "parsers/route.h"

struct source_options {
    bool modern = false; // listings: read today's layouts and 32-bit ASs
};

// The named file as a route source; null when it cannot be opened, with errno
// telling why.
std::unique_ptr<route_source> openRouteFile(const char* path, const source_options& options);
// A file already open (compressed or not) as a route source.
std::unique_ptr<route_source> openRouteFile(std::unique_ptr<ByteSource> file, const source_options& options);
// Standard input as a route source. Nothing is read before the first next().
std::unique_ptr<route_source> openRouteStdin(const source_options& options);
