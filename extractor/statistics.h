#pragma once
// The three tables that -v prints at the end of a run: what happened to the
// paths with each feature, what reached each output, and the input lines.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "extractor/pipeline.h"

// What the inputs held besides routes (MRT record types), one count a line;
// nothing when there is none.
void printContentCounts(std::FILE* stream, const std::vector<std::pair<std::string, std::uint64_t>>& counts);

void printStatistics(std::FILE* stream, const path_counters& counters, std::uint64_t readLines,
                     std::uint64_t parsedLines);
