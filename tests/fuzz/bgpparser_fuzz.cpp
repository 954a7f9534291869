// fuzz-link: halcyn_parsers
// Any byte sequence through the BGP table dump parser, plain or compressed
// (the decompressors see every damaged stream the fuzzer makes), in classic
// and in modern mode: every call must end with a result code, the byte
// counter must account for every byte of an input read to its end, and no AS
// outside the mode's range gets through.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "parsers/fileparsers.h"

namespace {

// The input as a writable buffer with one byte more: fmemopen wants both.
std::vector<char> bufferOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    return bytes;
}

// Opens `parser` on the input in `bytes` (from bufferOf).
bool openOn(bgpParser& parser, std::vector<char>& bytes)
{
    std::FILE* stream = fmemopen(bytes.data(), bytes.size() > 1 ? bytes.size() - 1 : 1, "r");
    if (stream == nullptr) return false;
    if (parser.openStream(stream)) return true;
    std::fclose(stream);
    return false;
}

void parseAll(const std::uint8_t* data, std::size_t size, bool modern)
{
    std::vector<char> bytes = bufferOf(data, size);
    bgpParser parser;
    parser.setModern(modern);
    if (!openOn(parser, bytes)) return;
    std::uint64_t routes = 0;
    int result = 0;
    while ((result = parser.nextLine()) == Parser::lineReady) {
        const int parsed = parser.parseLine();
        if (parsed < 0 || parsed > bgpParser::notUnderstood) std::abort();
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
    if (result != Parser::endOfInput) std::abort();
    if (size > 0 && !parser.readFailed() && parser.filePos() != size) std::abort();
    if (parser.parsedLines() > parser.readLines()) std::abort();
    // Lines left after a table are counted in classic mode only.
    if (modern && parser.unreadRoutes().count != 0) // outsideCount may grow in either mode
        std::abort();
    if (parser.unreadRoutes().count > parser.readLines()) std::abort();
}

// The extractor's split reading (the line cut after the next hop, the rest
// read by a second parser given the header's columns) against one parser
// reading whole lines: the same result, reason, origin and path for every
// line, whatever headers come and go.
void compareSplit(const std::uint8_t* data, std::size_t size, bool modern)
{
    std::vector<char> bytes = bufferOf(data, size);
    bgpParser whole;
    bgpParser split;
    bgpParser rest;
    whole.setModern(modern);
    split.setModern(modern);
    rest.setModern(modern);
    split.setRestDeferred(true);
    rest.setPathList(false);
    if (!openOn(whole, bytes) || !openOn(split, bytes)) return;
    std::uint32_t installed = 0;
    bool any = false;
    // A few compressed bytes can stand for millions of lines; the first
    // ones show whatever the split gets wrong, at a fraction of the time.
    constexpr int comparedLines = 20000;
    for (int line = 0; line < comparedLines && whole.nextLine() == Parser::lineReady; ++line) {
        if (split.nextLine() != Parser::lineReady) std::abort();
        const int expected = whole.parseLine();
        int got = split.parseLine();
        std::string_view reason = split.errReason();
        if (got == Parser::parsedOk) {
            if (!any || split.columnsVersion() != installed) {
                rest.setRowColumns(split.rowColumns());
                installed = split.columnsVersion();
                any = true;
            }
            got = rest.readRest(split.currentText(), split.restMark());
            reason = rest.errReason();
        }
        if (got != expected || reason != std::string_view(whole.errReason())) std::abort();
        if (expected != Parser::parsedOk) continue;
        if (!(whole.parsed.network == split.parsed.network) || whole.parsed.network6 != split.parsed.network6 ||
            whole.parsed.origin != rest.parsed.origin)
            std::abort();
        std::size_t at = 0;
        const auto items = rest.pathItems();
        whole.parsed.path.goToFirst();
        for (bool more = !whole.parsed.path.isEmpty(); more; more = whole.parsed.path.next(), ++at)
            if (at >= items.size() || !(items[at] == whole.parsed.path.current())) std::abort();
        if (at != items.size()) std::abort();
    }
    if (whole.nextLine() != Parser::lineReady && split.nextLine() == Parser::lineReady) std::abort();
}

} // namespace

// Every input is read both ways: as a classic listing and as today's.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    parseAll(data, size, false);
    parseAll(data, size, true);
    compareSplit(data, size, false);
    compareSplit(data, size, true);
    return 0;
}
