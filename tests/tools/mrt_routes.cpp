// Every route, parse error and count the MRT source finds in a file, one per
// line, for the agreement checks against the independent reader:
//   R <prefix> <peer AS> <peer address> <origin bits> <path>
//   E <record number> <offset> <reason> (<record>)
//   F <reason>            (the input could not be read to its end)
//   C <label>: <count>
// With --counts, only the counts: the reader's own speed, for bench/.
// A path item is the AS number, then "p" when PRIVATE and "s" when IN_SET.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/decompress.h"
#include "common/readahead.h"
#include "parsers/mrtsource.h"
#include "parsers/routetext.h"

namespace {

void printRoute(const route_record& route, std::string& line)
{
    char text[routetext::maxPrefix];
    line.assign("R ");
    line.append(text, routetext::formatPrefix(text, route.prefix));
    line += ' ' + std::to_string(route.peer->as) + ' ';
    line.append(text, routetext::formatAddress(text, route.peer->address));
    line += ' ' + std::to_string(route.origin);
    for (const ASItem& item : route.path) {
        line += ' ' + std::to_string(item.asn);
        if (item.flags & ASItem::PRIVATE) line += 'p';
        if (item.flags & ASItem::IN_SET) line += 's';
    }
    std::puts(line.c_str());
}

int dump(std::unique_ptr<ByteSource> input, bool routes)
{
    char head[MrtFramer::headerSize];
    std::size_t got = 0;
    while (got < sizeof head) {
        const std::size_t more = input->read(head + got, sizeof head - got);
        if (more == 0) break;
        got += more;
    }
    if (!looksLikeMrt({head, got})) {
        std::puts("not MRT");
        return 1;
    }
    MrtSource source(std::move(input), {head, got});
    std::string line;
    for (route_step step = source.next(); step != route_step::end; step = source.next()) {
        if (step == route_step::route && routes) printRoute(source.route(), line);
        if (step == route_step::error) {
            const route_error e = source.error();
            std::printf("E %llu %llu %.*s (%.*s)\n", static_cast<unsigned long long>(e.position.number),
                        static_cast<unsigned long long>(*e.position.byteOffset), static_cast<int>(e.reason.size()),
                        e.reason.data(), static_cast<int>(e.text.size()), e.text.data());
        }
    }
    if (const std::optional<std::string> failure = source.readFailure()) std::printf("F %s\n", failure->c_str());
    forEachCount(source.counts(), [](std::string_view label, std::uint64_t count) {
        std::printf("C %.*s: %llu\n", static_cast<int>(label.size()), label.data(),
                    static_cast<unsigned long long>(count));
    });
    std::printf("C records read without error: %llu of %llu\n", static_cast<unsigned long long>(source.parsedCount()),
                static_cast<unsigned long long>(source.readCount()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool countsOnly = argc == 3 && std::string_view(argv[1]) == "--counts";
    if (argc != 2 && !countsOnly) {
        std::fputs("usage: mrt_routes [--counts] FILE\n", stderr);
        return 2;
    }
    const char* path = argv[argc - 1];
    std::unique_ptr<ByteSource> source = openInputFile(path);
    if (!source) {
        std::perror(path);
        return 2;
    }
    return dump(std::make_unique<ReadAhead>(std::move(source)), !countsOnly);
}
