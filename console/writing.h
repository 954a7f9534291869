#pragma once
// One file written by a console command through the output layer: the
// overwrite question, atomic replacement of a regular file, special files
// written in place, and the old file kept on any failure or Ctrl-C.
#include <cstdio>
#include <functional>
#include <string>

// Fills the open stream; false with a reason on failure.
using file_producer = std::function<bool(std::FILE* out, std::string& reason)>;

// `what` names the content in the messages ("graph", "results").
void writeFile(const std::string& fileName, bool forceOverwrite, const char* what, const file_producer& produce);
