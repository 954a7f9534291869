#include "console/commandloop.h"

#include <string>
#include <unistd.h>

#include "common/interrupts.h"
#include "common/report.h"
#include "console/commands.h"
#include "console/interpreter.h"
#include "console/lineedit.h"

namespace {

constexpr std::string_view prompt = "msp> ";

// Results that cannot reach standard output are lost: the session ends.
bool outputFailed() { return !flushStandardOutput(standardOutputFailure); }

// Ctrl-C at the prompt or during a command: what was typed or running is
// dropped and a fresh prompt starts on a line of its own.
bool takeInterrupt()
{
    if (!interruptPending()) return false;
    clearInterrupt();
    // A read or write cut short by the signal is not a failure of its stream.
    std::clearerr(stdin);
    std::clearerr(stdout);
    std::fputc('\n', stdout);
    return true;
}

// Runs one command; true when it ended the command loop, as quit does or,
// under -e, a failure.
bool runCommand(std::string_view command, console_state& state, bool forceOverwrite)
{
    const std::uint64_t errorsBefore = errorsReported();
    const bool quit = executeCommand(command, state, forceOverwrite);
    state.failed = state.stopAtError && errorsReported() != errorsBefore;
    return quit || state.failed;
}

int runSource(ByteSource& source, const cmdLineParameters& parameters, bool standardInputFree)
{
    console_state state;
    state.standardInputFree = standardInputFree;
    state.stopAtError = parameters.stopOnError;
    LineReader reader(source);
    std::string line;
    line.reserve(maxCommandLine);
    bool quit = false;
    bool written = true;
    // A source that fails ends the script like its end: the commands already
    // run have reported for themselves, and the caller asks the source why.
    while (!quit && written && readCommandLine(reader, line)) {
        quit = runCommandLine(line, state, parameters.forceOverwrite);
        written = !outputFailed();
    }
    // A compressed script is checked to its end even when it quit early:
    // damage anywhere in it is reported, as for every compressed input.
    if (quit && source.compressed() && !source.failed()) drain(source);
    clearMem(state);
    if (!written) return EXIT_FILE_ERROR;
    return state.failed ? EXIT_COMMAND_FAILED : EXIT_OK;
}

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
    if (piece.size() < maxCommandLine || piece.back() == '\n' || in.skipIf('\n') || in.atEnd()) return true;
    // The rest of a longer line is read and dropped. When the command ended
    // before it (at a carriage return) nothing is lost; otherwise the line is
    // refused whole: a command cut short could save under a name nobody gave.
    const bool commandEnded = line.find('\r') != std::string::npos;
    while (in.next(maxCommandLine, piece) && piece.back() != '\n') {
    }
    if (!commandEnded) {
        report("Error: command line longer than " + std::to_string(maxCommandLine) + " characters");
        line.clear();
    }
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

    if (line.find(';') == std::string_view::npos) return runCommand(line, state, forceOverwrite); // even an empty one

    while (!line.empty()) {
        const std::size_t cut = line.find(';');
        const std::string_view command = line.substr(0, cut);
        line = cut == std::string_view::npos ? std::string_view() : line.substr(cut + 1);
        if (interruptPending()) return false; // Ctrl-C also drops the rest of the line
        if (!command.empty() && runCommand(command, state, forceOverwrite)) return true;
    }
    return false;
}

int runScript(ByteSource& source, const cmdLineParameters& parameters) { return runSource(source, parameters, true); }

int runScript(std::FILE* stream, const cmdLineParameters& parameters)
{
    StreamSource source(stream, false, StreamSource::pacing::lines);
    return runSource(source, parameters, stream != stdin);
}

bool goInteractive(const cmdLineParameters& parameters)
{
    std::fputs("Interactive mode; type `help' to get a list of available commands\n", stdout);
    const bool terminal = isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
    // Line editing only where someone types; the null device reads as before.
    const std::unique_ptr<LineEditor> editor = terminal ? openLineEditor(prompt) : nullptr;
    catchInterrupts(true);
    console_state state;
    std::string line;
    line.reserve(maxCommandLine);
    bool quit = false;
    bool written = true;
    while (!quit) {
        if (!editor) std::fwrite(prompt.data(), 1, prompt.size(), stdout);
        if (outputFailed()) {
            written = false;
            break;
        }
        const bool read = editor ? editor->readLine(line) : readCommandLine(stdin, line);
        if (takeInterrupt()) continue;
        if (!read) {
            // End of input at the prompt (Ctrl-D) ends the session normally;
            // the shell's prompt then starts on its own line.
            if (terminal) std::fputc('\n', stdout);
            break;
        }
        quit = runCommandLine(line, state, parameters.forceOverwrite);
        takeInterrupt();
    }
    catchInterrupts(false);
    clearMem(state);
    return written && !outputFailed();
}
