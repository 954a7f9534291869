// Feeds one command per input to the console's interpreter. The working
// state lives on from input to input, so sequences such as load, show,
// save, clear are reached. File names are confined to a private folder
// holding two small graphs (a normal and a differential one).
// fuzz-link: halcyn_console
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "console/interpreter.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view normalGraph = "HGR\n1\nsrc.txt\nfuzz seed\n6\n6\n1\n2\n3\n4\n5\n6\n"
                                         "1 2 1 1 3 300 0 0\n2 3 1 1 2 20 0 0\n1 3 1 -1 0 0 4 40\n"
                                         "4 5 0 0 1 10 1 10\n5 6 1 -1 0 0 2 2\n3 4 1 1 7 7 0 0\n";
constexpr std::string_view diffGraph = "HDG\n2\na.txt\nb.txt\nfuzz seed\n4\n3\n1\n2\n3\n4\n"
                                       "1 2 1 1 3 300 0 0 1 1 1 -1 3 300 2 200 2 1 1 0 0 1 0.5\n"
                                       "2 3 0 0 1 1 1 1 0 1 0 1 1 1 1 1 3 0 2 1 1 2 1.5\n"
                                       "3 4 1 -1 0 0 5 5 1 0 -1 0 0 0 5 5 1 1 0 0 0 1 1.0\n";

struct Sandbox {
    fs::path dir;
    bool ready = false;

    Sandbox()
    {
        std::string pattern = (fs::temp_directory_path() / "meshprobe-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        dir = pattern;
        ready = chdir(dir.c_str()) == 0;
        if (ready) reset();
    }
    ~Sandbox()
    {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Only the two seeds survive an input, in their original form: files
    // written by save would otherwise pile up over millions of runs.
    void reset() const
    {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            fs::remove_all(entry.path(), ec);
        write("g", normalGraph);
        write("d", diffGraph);
    }

    static void write(const char* name, std::string_view text)
    {
        if (std::FILE* f = std::fopen(name, "w")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
};

// Only save writes files; cleaning up after it alone keeps the runs fast.
bool namesSave(std::string_view command)
{
    const std::size_t start = command.find_first_not_of(' ');
    if (start == std::string_view::npos) return false;
    const std::string_view first = command.substr(start, command.find(' ', start) - start);
    std::string_view keyword;
    return matchingKeywords(first, keyword, 1) == 1 && keyword == "save";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Sandbox sandbox;
    static console_state state;
    if (!sandbox.ready || size > 10000) return 0;
    const std::string_view command(reinterpret_cast<const char*>(data), size);
    // A slash could name any file of the machine (a device that never ends,
    // a file worth keeping); plain names stay inside the sandbox.
    if (command.find('/') != std::string_view::npos) return 0;
    executeCommand(command, state, true);
    if (namesSave(command)) sandbox.reset();
    std::fflush(stdout);
    return 0;
}
