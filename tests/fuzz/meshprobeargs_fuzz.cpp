// Splits the input at NUL bytes into a command line for meshprobe's
// argument parser and checks what every outcome promises.
// fuzz-link: halcyn_console
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words{"meshprobe"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0) words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());

    cmdLineParameters parameters;
    std::string reason = "stale";
    const bool ok = parseArguments(static_cast<int>(argv.size()), argv.data(), parameters, reason);
    if (ok != reason.empty()) std::abort();
    if (ok && parameters.scriptFile) {
        // The name is one of the arguments, unchanged.
        bool found = false;
        for (std::size_t i = 1; i < words.size(); ++i)
            found = found || words[i] == *parameters.scriptFile;
        if (!found) std::abort();
    }
    if (!ok && reason.starts_with("Invalid option: `")) {
        // The offending argument is quoted whole, whatever its length.
        const std::string quoted = reason.substr(17, reason.size() - 18);
        bool found = false;
        for (std::size_t i = 1; i < words.size(); ++i)
            found = found || words[i] == quoted;
        if (!found || !reason.ends_with("'")) std::abort();
    }
    return 0;
}
