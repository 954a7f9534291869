#pragma once
// Diagnostics and exit statuses, one home for both programs: every message
// about a failure or a doubt goes through report(), every exit status is
// named here.
#include <cstdint>
#include <string_view>

// Exit statuses of both programs.
enum exit_status : int {
    EXIT_OK = 0,             // normal end, or the help text
    EXIT_SYNTAX_ERROR = 1,   // the command line cannot be understood (meshprobe -e: a command failed)
    EXIT_FILE_ERROR = 2,     // a file (or standard output) cannot be opened, read or written
    EXIT_DECLINED = 3,       // an output file exists and is not to be overwritten
    EXIT_COMMAND_FAILED = 1, // meshprobe -e: a command failed
};

// How grave a message is. Only errors are counted: meshprobe -e stops at the
// first command that reported one.
enum class report_level : std::uint8_t { error, warning };

// Called before every diagnostic; routesift puts its banner there. None by default.
void setReportPrefix(void (*prefix)());

// Flushes standard output, so that results and diagnostics keep their order
// when both streams share a destination, calls the prefix, then writes
// `message` and a line feed to standard error.
void report(report_level level, std::string_view message);
// The same followed by the line "(reason)".
void report(report_level level, std::string_view message, std::string_view reason);
// Errors, the usual case.
inline void report(std::string_view message) { report(report_level::error, message); }
inline void report(std::string_view message, std::string_view reason) { report(report_level::error, message, reason); }
// An error with the system's text for the error number `error` as the reason.
void reportSystemError(std::string_view message, int error);
// Text written as it is, line feeds included, for messages composed of parts.
void reportText(report_level level, std::string_view text);

// The number of errors reported so far by this process.
std::uint64_t errorsReported();

// Flushes standard output; when it failed, now or at any earlier write,
// reports `message` with the reason and returns false. A reader that went
// away (a closed pipe) is no news: false without a word.
bool flushStandardOutput(std::string_view message);
