// fuzz-link: halcyn_parsers
// Any byte sequence through the BGP table dump parser, in classic and in
// modern mode: every call must end with a result code, the byte counter must
// account for every byte, and no AS outside the mode's range gets through.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "parsers/fileparsers.h"

namespace {

void parseAll(const std::uint8_t* data, std::size_t size, bool modern)
{
    // fmemopen wants a writable buffer and at least one byte.
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    std::FILE* stream = fmemopen(bytes.data(), size > 0 ? size : 1, "r");
    if (stream == nullptr)
        return;
    bgpParser parser;
    parser.setModern(modern);
    if (!parser.openStream(stream)) {
        std::fclose(stream);
        return;
    }
    std::uint64_t routes = 0;
    int result = 0;
    while ((result = parser.nextLine()) == Parser::lineReady) {
        const int parsed = parser.parseLine();
        if (parsed < 0 || parsed > 5)
            std::abort();
        if (parsed == Parser::parsedOk) {
            ++routes;
            routes += parser.parsed.path.len();
            for (bool more = !parser.parsed.path.isEmpty(); more; more = parser.parsed.path.next())
                if (parser.parsed.path.current().asn == 0 ||
                    (!modern && asnumber::needs32Bits(parser.parsed.path.current().asn)))
                    std::abort(); // AS 0 never, 32-bit ASs only in modern mode
        } else if (parser.errReason()[0] == '\0') {
            std::abort(); // every failure says why
        }
        (void)parser.currentLine();
    }
    if (result != Parser::endOfInput)
        std::abort();
    if (size > 0 && parser.filePos() != size)
        std::abort();
    if (parser.parsedLines() > parser.readLines())
        std::abort();
    // Lines left after a table are counted in classic mode only.
    if (modern && parser.unreadRoutes().count != 0)
        std::abort();
    if (parser.unreadRoutes().count > parser.readLines())
        std::abort();
}

} // namespace

// Every input is read both ways: as a classic listing and as today's.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    parseAll(data, size, false);
    parseAll(data, size, true);
    return 0;
}
