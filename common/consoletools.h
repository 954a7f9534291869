#pragma once
// Small dealings with the user's terminal shared by both programs: asking
// before an existing file is overwritten, cursor placement, a one-line
// progress bar and telling a terminal from a file or a pipe.
#include <cstdio>
#include <string_view>

// Asks on standard error whether the existing file `path` may be overwritten
// and reads the answer from standard input; true only for an answer that
// starts with 'y' or 'Y'. The rest of the answer line is consumed.
bool askOverwrite(std::string_view path);
// The same dialogue on explicit streams (what the one above uses).
bool askOverwrite(std::string_view path, std::FILE* in, std::FILE* out);

// Moves the cursor to `column` (1 is the first) on standard output; no flush.
void goToCol(int column);

// Redraws the progress bar "[****    ]  (nn.n %)" on standard output for
// done out of total, when it moved by half a percent, went back, or is
// complete. One bar state is shared by the whole process.
void printPercentage(float done, float total);

// True when the stream is attached to a character device: a terminal, but
// also the null device. False for files, pipes, sockets and on error.
bool isTerm(std::FILE* stream);
