#include "console/cmdline.h"

#include <string_view>

#include "common/consoletools.h"
#include "common/version.h"

namespace {

constexpr const char* boldOn = "\x1b[1m";
constexpr const char* boldOff = "\x1b[0m";

bool alreadyPrinted = false;

} // namespace

namespace {

// Sets a switch that may be given once.
bool setOnce(bool& flag, std::string_view option, std::string& reason)
{
    if (flag) {
        reason.append("Option ").append(option).append(" cannot be used more than once");
        return false;
    }
    flag = true;
    return true;
}

// The value of -s or -c: the next argument, whatever it looks like.
bool takeValue(std::optional<std::string>& target, std::string_view arg, const char* duplicate, std::string& reason)
{
    if (target) {
        reason = duplicate;
        return false;
    }
    target.emplace(arg);
    return true;
}

} // namespace

bool parseArguments(int argc, const char* const* argv, cmdLineParameters& parameters, std::string& reason)
{
    parameters = cmdLineParameters{};
    reason.clear();

    std::optional<std::string>* pending = nullptr; // after -s or -c
    bool optionsEnded = false;                     // after --
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        bool ok = true;
        if (pending == &parameters.scriptFile) {
            // After -s anything is a name, even "-f" or "--help".
            ok = takeValue(parameters.scriptFile, arg, "There is more than one script file", reason);
            pending = nullptr;
        } else if (pending != nullptr) {
            ok = takeValue(parameters.commands, arg, "Option -c cannot be used more than once", reason);
            pending = nullptr;
        } else if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            ok = takeValue(parameters.scriptFile, arg, "", reason);
            if (!ok) reason.append("Invalid option: `").append(arg).append("'");
        } else if (arg == "--help" || arg == "-h") {
            parameters.showHelp = true;
        } else if (arg == "--version") {
            parameters.showVersion = true;
        } else if (arg == "-f") {
            ok = setOnce(parameters.forceOverwrite, arg, reason);
        } else if (arg == "-e") {
            ok = setOnce(parameters.stopOnError, arg, reason);
        } else if (arg == "-s") {
            pending = &parameters.scriptFile;
        } else if (arg == "-c") {
            pending = &parameters.commands;
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            reason.append("Invalid option: `").append(arg).append("'");
            ok = false;
        }
        if (!ok) return false;
    }
    if (pending != nullptr) {
        reason = pending == &parameters.scriptFile ? "Script file name expected after -s option"
                                                   : "Commands expected after -c option";
        return false;
    }
    if (parameters.commands && parameters.scriptFile) {
        reason = "Option -c cannot be used with a script file";
        return false;
    }
    return true;
}

void printHeader(std::FILE* stream)
{
    if (alreadyPrinted) return;
    if (isTerm(stream))
        std::fprintf(stream, "%smeshprobe%s %s\n", boldOn, boldOff, halcynVersion);
    else
        std::fprintf(stream, "meshprobe %s\n", halcynVersion);
    alreadyPrinted = true;
}

void printHelp(std::FILE* stream, const char* programName)
{
    const bool term = isTerm(stream);
    const char* const bold = term ? boldOn : "";
    const char* const reset = term ? boldOff : "";
    printHeader(stream);
    std::fprintf(stream, "%sHALCYN toolkit%s graph analysis tool\n", bold, reset);
    std::fprintf(stream, "USAGE: %s [options] [[-s] <scriptFile>]\n\n", programName);
    std::fprintf(stream, "%sOptions%s can be:\n", bold, reset);
    std::fputs("  -f       Do not ask user (default behaviour) when overwriting an existing\n", stream);
    std::fputs("           file\n", stream);
    std::fputs("  --help   Show this help\n\n\n", stream);
    std::fputs("<scriptFile> is the name of a file storing a sequence of meshprobe commands;\n", stream);
    std::fputs("omitting it will result in either entering an interactive mode or commands\n", stream);
    std::fputs("being taken from standard input (if it has been redirected). More information\n", stream);
    std::fputs("about available scripting commands can be obtained by entering interactive\n", stream);
    std::fputs("mode (just use no arguments to achieve this). Use -s option when ambiguities\n", stream);
    std::fputs("may arise between file name and other command line options.\n", stream);
    std::fprintf(stream, "\n%sMore options%s are:\n", bold, reset);
    std::fputs("  -c <commands>  Run these commands (separated by `;', as in a script)\n"
               "           instead of a script file, then exit\n"
               "  -e       Stop at the first command that fails (a refused load, a failed\n"
               "           save, an invalid command) and exit with status 1\n"
               "  -h       Same as --help\n"
               "  --version\n"
               "           Show the program name and version\n"
               "  --       Every later argument is the script file name\n\n"
               "A <scriptFile> of `-' is standard input; `load -' reads a graph from standard\n"
               "input when the commands come from a script file or -c. Scripts and graph\n"
               "files may be compressed with gzip, bzip2 or xz.\n\n"
               "Exit status: 0 at the end of the commands (errors inside them do not count\n"
               "without -e); 1 when the command line cannot be understood, or with -e when a\n"
               "command failed; 2 when the script cannot be opened or read, or standard\n"
               "output cannot be written.\n",
               stream);
}
