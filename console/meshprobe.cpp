// meshprobe: the AS graph analysis console. Chooses the command source and
// hands it to the command loop; everything else lives in its own unit.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/consoletools.h"
#include "common/decompress.h"
#include "common/outputfiles.h"
#include "common/report.h"
#include "common/version.h"
#include "console/cmdline.h"
#include "console/commandloop.h"

namespace {

void reportOpenFailure(const std::string& name, int error)
{
    reportSystemError("Unable to open file `" + name + "' for reading", error);
}

// A script may be compressed like the graph files it loads. A directory is
// refused at the open rather than read as an empty script.
std::unique_ptr<ByteSource> openScript(const std::string& name)
{
    std::unique_ptr<ByteSource> file = openInputFile(name.c_str());
    if (!file) reportOpenFailure(name, errno);
    return file;
}

// Runs the script file; EXIT_FILE_ERROR when it cannot be opened or read to
// its end, or when standard output failed.
int runScriptFile(const cmdLineParameters& parameters)
{
    const std::unique_ptr<ByteSource> script = openScript(*parameters.scriptFile);
    if (!script) return EXIT_FILE_ERROR;
    const int status = runScript(*script, parameters);
    // A script cut short (damaged compressed data, an I/O error) must not
    // pass for a complete run.
    if (status != EXIT_FILE_ERROR && script->failed()) {
        report("Error: unable to read file `" + *parameters.scriptFile + "'", script->failure());
        return EXIT_FILE_ERROR;
    }
    return status;
}

// Runs the chosen command source and gives the exit status.
int runSession(const cmdLineParameters& parameters, bool inTerm)
{
    if (parameters.commands) {
        TextSource commands(*parameters.commands);
        return runScript(commands, parameters);
    }
    if (parameters.scriptFile && *parameters.scriptFile != "-") return runScriptFile(parameters);
    if (inTerm && !parameters.scriptFile) return goInteractive(parameters) ? EXIT_OK : EXIT_FILE_ERROR;
    return runScript(stdin, parameters);
}

} // namespace

int main(int argc, char** argv)
{
    guardStandardDescriptors();
    const char* const programName = argc > 0 ? argv[0] : "meshprobe";
    cmdLineParameters parameters;
    std::string reason;
    if (!parseArguments(argc, argv, parameters, reason)) {
        printHeader(stderr);
        report("Syntax error: " + reason + "\nType " + programName + " --help for more information");
        return EXIT_SYNTAX_ERROR;
    }

    const bool inTerm = isTerm(stdin);
    const bool outTerm = isTerm(stdout);
    if (parameters.showHelp || parameters.showVersion) {
        if (parameters.showHelp)
            printHelp(stdout, programName);
        else
            std::printf("meshprobe %s\n", halcynVersion);
        return flushStandardOutput(standardOutputFailure) ? EXIT_OK : EXIT_FILE_ERROR;
    }
    if (inTerm && outTerm && !parameters.commands) printHeader(stdout);
    // Errors inside commands change the status only under -e; a script that
    // cannot be opened or a standard output that failed always do.
    return runSession(parameters, inTerm);
}
