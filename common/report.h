#pragma once
// Diagnostics and exit statuses, one home for both programs: every message
// about a failure goes through report(), every exit status is named here.
#include <string_view>

// Exit statuses of both programs.
enum exit_status : int {
    EXIT_OK = 0,            // normal end, or the help text
    EXIT_SYNTAX_ERROR = 1,  // the command line cannot be understood
    EXIT_FILE_ERROR = 2,    // a file (or standard output) cannot be opened, read or written
    EXIT_DECLINED = 3,      // the user declined to overwrite an output file
};

// Called before every diagnostic; routesift puts its banner there. None by default.
void setReportPrefix(void (*prefix)());

// Flushes standard output, so that results and diagnostics keep their order
// when both streams share a destination, calls the prefix, then writes
// `message` and a line feed to standard error.
void report(std::string_view message);
// The same followed by the line "(reason)".
void report(std::string_view message, std::string_view reason);
// The same with the system's text for the error number `error` as the reason.
void reportSystemError(std::string_view message, int error);

// Flushes standard output; when it failed, now or at any earlier write,
// reports `message` with the reason and returns false. A reader that went
// away (a closed pipe) is no news: false without a word.
bool flushStandardOutput(std::string_view message);
