// fuzz-link: halcyn_parsers
// Any byte sequence through each of the four record parsers: every call
// ends with a result code and every byte is accounted for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "parsers/fileparsers.h"

namespace {

template <typename P>
void run(std::vector<char>& bytes, std::size_t size)
{
    std::FILE* stream = fmemopen(bytes.data(), size > 0 ? size : 1, "r");
    if (stream == nullptr) return;
    P parser;
    if (!parser.openStream(stream)) {
        std::fclose(stream);
        return;
    }
    int result = 0;
    while ((result = parser.nextLine()) == Parser::lineReady) {
        const int parsed = parser.parseLine();
        if (parsed < 0 || parsed > 5 || parsed == 1) std::abort();
        if (parsed != Parser::parsedOk && parser.errReason()[0] == '\0') std::abort();
        (void)parser.currentLine();
    }
    if (result != Parser::endOfInput || (size > 0 && parser.filePos() != size) || parser.parsedLines() != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    run<satParser>(bytes, size);
    run<vantageParser>(bytes, size);
    run<pathParser>(bytes, size);
    run<unknownParser>(bytes, size);
    return 0;
}
