// fuzz-link: halcyn_parsers
// Any byte sequence through the BGP table dump parser, plain or compressed
// (the decompressors see every damaged stream the fuzzer makes): every call
// must end with a result code, and the byte counter must account for every
// byte of an input read to its end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "parsers/fileparsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // fmemopen wants a writable buffer and at least one byte.
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    std::FILE* stream = fmemopen(bytes.data(), size > 0 ? size : 1, "r");
    if (stream == nullptr)
        return 0;
    bgpParser parser;
    if (!parser.openStream(stream)) {
        std::fclose(stream);
        return 0;
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
        } else if (parser.errReason()[0] == '\0') {
            std::abort(); // every failure says why
        }
        (void)parser.currentLine();
    }
    if (result != Parser::endOfInput)
        std::abort();
    if (size > 0 && !parser.readFailed() && parser.filePos() != size)
        std::abort();
    if (parser.parsedLines() > parser.readLines())
        std::abort();
    return 0;
}
