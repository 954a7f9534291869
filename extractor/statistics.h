#pragma once
// The three tables that -v prints at the end of a run: what happened to the
// paths with each feature, what reached each output, and the input lines.
#include <cstdint>
#include <cstdio>

#include "extractor/pipeline.h"

void printStatistics(std::FILE* stream, const path_counters& counters, std::uint64_t readLines,
                     std::uint64_t parsedLines);
