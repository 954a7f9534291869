#pragma once
// Where meshprobe's commands come from: a script, redirected standard input
// or the interactive prompt. Each loop owns the working state for its life.
#include <cstdio>
#include <string>
#include <string_view>

#include "common/bytesource.h"
#include "common/linereader.h"
#include "console/cmdline.h"
#include "console/state.h"

// Longest command line, its line feed not counted; a longer line is
// refused whole.
inline constexpr std::size_t maxCommandLine = 4095;

// The message when standard output cannot be written.
inline constexpr std::string_view standardOutputFailure = "Error: unable to write to standard output";

// Reads the next line (at most maxCommandLine bytes, line feed included when
// it fits) into `line`. A longer line is read to its end, reported and
// given as an empty line. False when nothing could be read.
bool readCommandLine(LineReader& in, std::string& line);
// The same from a C stream, taking nothing from it beyond the piece: the
// stream also answers overwrite questions.
bool readCommandLine(std::FILE* in, std::string& line);

// Cuts the line at its terminator and comment, splits it at semicolons and
// runs each command. True when a command ended the command loop.
bool runCommandLine(std::string_view line, console_state& state, bool forceOverwrite);

// Runs every command of a source, silently: no banner, no prompt. A source
// that fails ends the commands like its end; the caller asks it why.
// Returns EXIT_FILE_ERROR when standard output failed, which ends the session
// (reported), EXIT_COMMAND_FAILED when a command failed under -e, else EXIT_OK.
int runScript(ByteSource& source, const cmdLineParameters& parameters);
// The same on a C stream read line by line (redirected standard input).
int runScript(std::FILE* stream, const cmdLineParameters& parameters);

// The prompt loop on standard input and output. Ctrl-C drops the line being
// typed or stops the running command and prompts again; the loaded graph
// stays. False when standard output failed (reported).
bool goInteractive(const cmdLineParameters& parameters);
