// fuzz-link: halcyn_extractor
// routesift's argument parser on arbitrary argument vectors: the input is cut
// at NUL bytes into arguments. Whatever the vector, parsing ends with either a
// message or a settings record whose combinations are all consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "extractor/settings.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

void checkFeature(std::uint8_t mode, const std::optional<std::string>& file)
{
    // Only the valid mode lists are representable.
    check(mode == KEEP || mode == FIX || mode == DELETE || mode == TAG || mode == SAVE || mode == (FIX | SAVE) ||
          mode == (DELETE | SAVE) || mode == (TAG | SAVE));
    check(((mode & SAVE) != 0) == file.has_value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args{"routesift"};
    std::string current;
    for (std::size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty()) args.push_back(current);

    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    extraction_mode settings;
    std::string error = "stale";
    const bool ok = parseArguments(static_cast<int>(argv.size()), argv.data(), settings, error);
    if (!ok) {
        check(!error.empty());
        return 0;
    }
    check(error.empty());
    checkFeature(settings.prepMode, settings.prepFile);
    checkFeature(settings.cyclesMode, settings.cyclesFile);
    checkFeature(settings.privasMode, settings.privasFile);
    checkFeature(settings.setsMode, settings.setsFile);
    checkFeature(settings.incompleteMode, settings.incompleteFile);
    check(settings.setsMode != KEEP && settings.setsMode != SAVE);
    check(!(settings.incompleteMode & FIX));
    check((settings.vpointMode != VPOINT_NONE) == settings.vantageAS.has_value());
    check(!settings.vantageAS || *settings.vantageAS >= 1);
    check(!settings.unique || (settings.group && settings.show));
    check(!settings.allmask || settings.show);
    return 0;
}
