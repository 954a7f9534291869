#pragma once
// The command language of meshprobe: one command text in, its action out.
// Keywords may be abbreviated to any unambiguous prefix among those allowed
// at their position (command, object, property, differential property).
#include <array>
#include <optional>
#include <string_view>

#include "console/commands.h"
#include "console/state.h"

// Every keyword, grouped by the token position that may use it. A new
// keyword must not share a first letter with an older one of its position:
// every abbreviation that worked before keeps naming the same keyword.
inline constexpr std::array<std::string_view, 36> commandString = {
    "exit",     "quit",        "dump",       "show",     "help",          "load",        "clear",        "echo",
    "save",     "inspect",     "valleyfree", "write",    "graph",         "scc",         "anyscc",       "cc",
    "anycc",    "information", "nodes",      "edges",    "index",         "ipcovering",  "pathcovering", "differences",
    "valency",  "kcores",      "cones",      "xml",      "relationships", "attendances", "directed",     "undirected",
    "oriented", "unoriented",  "changes",    "duration",
};
// First entry of each position's slice; a slice ends where the next begins.
inline constexpr std::array<int, 4> argIndex = {0, 12, 17, 29};

// Number of keywords of `position` (1..4) that `token` is a prefix of. When
// exactly one matches, `match` is that keyword; otherwise it is empty.
int matchingKeywords(std::string_view token, std::string_view& match, int position);

// A command as the parser understood it.
struct parsed_command {
    command_code code = CMD_NONE;
    command_target target;
    long index = -1;                      // after scc / cc; -1 when none was given
    std::optional<std::string_view> text; // file name or echo message, into the command
    bool quit = false;                    // the command loop is to end
    bool help = false;                    // explain `code` instead of running it
    int position = 0;                     // position of the last token looked at
    bool accepted = true;                 // the last token was understood
    bool stopped = false;                 // the parse ended before the last token
};

// Splits and resolves a command, reporting the first parse error on
// standard error. The combination is not checked yet.
parsed_command parseCommand(std::string_view command);

// Refuses combinations that name no meaningful request, reporting the first
// failing rule on standard error. Missing parts are left to the commands.
bool checkCombination(const parsed_command& cmd);

// Runs one command (no line terminator, comment or semicolon in it) against
// the working state. Errors are reported on standard error and never stop
// the caller. Returns true when the command loop is to end (exit, quit).
bool executeCommand(std::string_view command, console_state& state, bool forceOverwrite);

// The echo command: -on / -off switch command echoing, -n suppresses the
// newline, anything else is printed as it is. No message prints nothing.
void echoString(std::optional<std::string_view> message, bool& echo);
