// meshprobe: the AS graph analysis console. Chooses the command source and
// hands it to the command loop; everything else lives in its own unit.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "common/consoletools.h"
#include "common/outputfiles.h"
#include "common/report.h"
#include "console/cmdline.h"
#include "console/commandloop.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void reportOpenFailure(const std::string& name, int error)
{
    reportSystemError("Unable to open file `" + name + "' for reading", error);
}

// fopen accepts a directory for reading and only the first read fails; that
// would end the run silently with success, so refuse it as an open failure.
FilePtr openScript(const std::string& name)
{
    FilePtr file(std::fopen(name.c_str(), "r"));
    if (!file) {
        reportOpenFailure(name, errno);
        return file;
    }
    struct stat status {};
    if (fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        reportOpenFailure(name, EISDIR);
        file.reset();
    }
    return file;
}

// Runs the chosen command source; false when standard output failed.
bool runSession(const cmdLineParameters& parameters, bool inTerm)
{
    if (parameters.scriptFile) {
        const FilePtr script = openScript(*parameters.scriptFile);
        return script && runScript(script.get(), parameters);
    }
    if (inTerm)
        return goInteractive(parameters);
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
        report("Syntax error: " + reason);
        std::fprintf(stderr, "Type %s --help for more information\n", programName);
        return EXIT_SYNTAX_ERROR;
    }

    const bool inTerm = isTerm(stdin);
    const bool outTerm = isTerm(stdout);
    if (parameters.showHelp) {
        printHelp(stdout, programName);
        return flushStandardOutput(standardOutputFailure) ? EXIT_OK : EXIT_FILE_ERROR;
    }
    if (inTerm && outTerm)
        printHeader(stdout);
    // Errors inside commands never change the status; a script that cannot
    // be opened or a standard output that failed do.
    return runSession(parameters, inTerm) ? EXIT_OK : EXIT_FILE_ERROR;
}
