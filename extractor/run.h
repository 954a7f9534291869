#pragma once
// routesift's main flow: settings, inputs and outputs, one pass over the dump.

// Runs the extractor on the command line; returns the exit status: 0 after a
// complete run or the help text, 1 on a syntax error, 2 when an input or
// output file cannot be opened or written, 3 when the user declined to
// overwrite an output file.
int runExtractor(int argc, const char* const* argv);
