#pragma once
// meshprobe's command line, banner and usage text.
#include <cstdio>
#include <optional>
#include <string>

struct cmdLineParameters {
    bool forceOverwrite = false;           // -f: save overwrites without asking
    bool showHelp = false;                 // --help, -h
    bool showVersion = false;              // --version
    bool stopOnError = false;              // -e: the first command that fails ends the run, status 1
    std::optional<std::string> scriptFile; // commands come from this file; "-" is standard input
    std::optional<std::string> commands;   // -c: the commands themselves
};

// Fills `parameters` from argv[1] on. On failure returns false and leaves
// a one-line reason (no newline) in `reason`; an argument is quoted whole.
bool parseArguments(int argc, const char* const* argv, cmdLineParameters& parameters, std::string& reason);

// The banner, bold on a terminal; printed at most once per process.
void printHeader(std::FILE* stream);

// The banner (if not yet printed) and the usage text.
void printHelp(std::FILE* stream, const char* programName);
