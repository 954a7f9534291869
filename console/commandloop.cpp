#include "console/commandloop.h"

#include "console/commands.h"
#include "console/interpreter.h"

namespace {

constexpr std::string_view prompt = "msp> ";

} // namespace

bool readCommandLine(LineReader& in, std::string& line)
{
    std::string_view piece;
    if (!in.next(maxCommandLine, piece)) {
        line.clear();
        return false;
    }
    line.assign(piece);
    // A line of exactly the maximum length still owns its line feed; without
    // this it would be followed by a spurious empty command.
    if (piece.size() == maxCommandLine && piece.back() != '\n')
        in.skipIf('\n');
    return true;
}

bool readCommandLine(std::FILE* in, std::string& line)
{
    StreamSource source(in, false, StreamSource::pacing::lines);
    LineReader reader(source, maxCommandLine + 1);
    return readCommandLine(reader, line);
}

bool runCommandLine(std::string_view line, console_state& state, bool forceOverwrite)
{
    line = line.substr(0, line.find_first_of("\r\n"));
    // No quoting exists: a '#' always starts a comment, even in a file name.
    line = line.substr(0, line.find('#'));

    if (line.find(';') == std::string_view::npos)
        return executeCommand(line, state, forceOverwrite); // even an empty one

    while (!line.empty()) {
        const std::size_t cut = line.find(';');
        const std::string_view command = line.substr(0, cut);
        line = cut == std::string_view::npos ? std::string_view() : line.substr(cut + 1);
        if (!command.empty() && executeCommand(command, state, forceOverwrite))
            return true;
    }
    return false;
}

void runScript(ByteSource& source, const cmdLineParameters& parameters)
{
    console_state state;
    LineReader reader(source);
    std::string line;
    line.reserve(maxCommandLine);
    bool quit = false;
    while (!quit && readCommandLine(reader, line))
        quit = runCommandLine(line, state, parameters.forceOverwrite);
    clearMem(state);
}

void runScript(std::FILE* stream, const cmdLineParameters& parameters)
{
    StreamSource source(stream, false, StreamSource::pacing::lines);
    runScript(source, parameters);
}

void goInteractive(const cmdLineParameters& parameters)
{
    std::fputs("Interactive mode; type `help' to get a list of available commands\n", stdout);
    console_state state;
    std::string line;
    line.reserve(maxCommandLine);
    bool quit = false;
    while (!quit) {
        std::fwrite(prompt.data(), 1, prompt.size(), stdout);
        std::fflush(stdout);
        if (!readCommandLine(stdin, line))
            break; // end of input at the prompt ends the session normally
        quit = runCommandLine(line, state, parameters.forceOverwrite);
    }
    clearMem(state);
}
