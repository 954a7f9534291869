// meshprobe: the AS graph analysis console. Chooses the command source and
// hands it to the command loop; everything else lives in its own unit.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/consoletools.h"
#include "common/decompress.h"
#include "console/cmdline.h"
#include "console/commandloop.h"

namespace {

enum exit_status : int { EXIT_OK = 0, EXIT_SYNTAX = 1, EXIT_NO_SCRIPT = 2 };

void reportOpenFailure(const std::string& name, int error)
{
    std::fprintf(stderr, "Unable to open file `%s' for reading\n", name.c_str());
    std::fprintf(stderr, "(%s)\n", std::strerror(error));
}

// A script may be compressed like the graph files it loads. A directory is
// refused at the open rather than read as an empty script.
std::unique_ptr<ByteSource> openScript(const std::string& name)
{
    std::unique_ptr<ByteSource> file = openInputFile(name.c_str());
    if (!file)
        reportOpenFailure(name, errno);
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    const char* const programName = argc > 0 ? argv[0] : "meshprobe";
    cmdLineParameters parameters;
    std::string reason;
    if (!parseArguments(argc, argv, parameters, reason)) {
        printHeader(stderr);
        std::fprintf(stderr, "Syntax error: %s\n", reason.c_str());
        std::fprintf(stderr, "Type %s --help for more information\n", programName);
        return EXIT_SYNTAX;
    }

    const bool inTerm = isTerm(stdin);
    const bool outTerm = isTerm(stdout);
    if (parameters.showHelp) {
        printHelp(stdout, programName);
        return EXIT_OK;
    }
    if (inTerm && outTerm)
        printHeader(stdout);

    if (parameters.scriptFile) {
        const std::unique_ptr<ByteSource> script = openScript(*parameters.scriptFile);
        if (!script)
            return EXIT_NO_SCRIPT;
        runScript(*script, parameters);
        // A script cut short (damaged compressed data, an I/O error) must not
        // pass for a complete run.
        if (script->failed()) {
            std::fprintf(stderr, "Error: unable to read file `%s'\n", parameters.scriptFile->c_str());
            std::fprintf(stderr, "(%s)\n", script->failure().c_str());
            return EXIT_NO_SCRIPT;
        }
    } else if (inTerm) {
        goInteractive(parameters);
    } else {
        runScript(stdin, parameters);
    }
    return EXIT_OK;
}
