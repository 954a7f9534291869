// meshprobe: the AS graph analysis console. Chooses the command source and
// hands it to the command loop; everything else lives in its own unit.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "common/consoletools.h"
#include "console/cmdline.h"
#include "console/commandloop.h"

namespace {

enum exit_status : int { EXIT_OK = 0, EXIT_SYNTAX = 1, EXIT_NO_SCRIPT = 2 };

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void reportOpenFailure(const std::string& name, int error)
{
    std::fprintf(stderr, "Unable to open file `%s' for reading\n", name.c_str());
    std::fprintf(stderr, "(%s)\n", std::strerror(error));
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
        const FilePtr script = openScript(*parameters.scriptFile);
        if (!script)
            return EXIT_NO_SCRIPT;
        runScript(script.get(), parameters);
    } else if (inTerm) {
        goInteractive(parameters);
    } else {
        runScript(stdin, parameters);
    }
    return EXIT_OK;
}
