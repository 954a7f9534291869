#include "console/cmdline.h"

#include <string_view>

#include "common/consoletools.h"
#include "common/version.h"

namespace {

constexpr const char* boldOn = "\x1b[1m";
constexpr const char* boldOff = "\x1b[0m";

bool alreadyPrinted = false;

} // namespace

bool parseArguments(int argc, const char* const* argv, cmdLineParameters& parameters,
                    std::string& reason)
{
    parameters.forceOverwrite = false;
    parameters.showHelp = false;
    parameters.scriptFile.reset();
    reason.clear();

    bool scriptPending = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (scriptPending) {
            if (parameters.scriptFile) {
                reason = "There is more than one script file";
                return false;
            }
            // After -s anything is a name, even "-f" or "--help".
            parameters.scriptFile.emplace(arg);
            scriptPending = false;
        } else if (arg == "--help") {
            parameters.showHelp = true;
        } else if (arg == "-f") {
            if (parameters.forceOverwrite) {
                reason = "Option -f cannot be used more than once";
                return false;
            }
            parameters.forceOverwrite = true;
        } else if (arg == "-s") {
            scriptPending = true;
        } else if (parameters.scriptFile) {
            reason.append("Invalid option: `").append(arg).append("'");
            return false;
        } else {
            parameters.scriptFile.emplace(arg);
        }
    }
    if (scriptPending) {
        reason = "Script file name expected after -s option";
        return false;
    }
    return true;
}

void printHeader(std::FILE* stream)
{
    if (alreadyPrinted)
        return;
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
}
