#pragma once
// The three tables that -v prints at the end of a run: what happened to the
// paths with each feature, what reached each output, and the input lines.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "extractor/inputs.h"
#include "extractor/pipeline.h"

// What the inputs held besides routes (MRT record types), one count a line;
// nothing when there is none.
void printContentCounts(std::FILE* stream, const std::vector<std::pair<std::string, std::uint64_t>>& counts);

// The last table counts the lines of listings and the records of MRT
// archives apart, each when such an input was read (the lines when none was).
void printStatistics(std::FILE* stream, const path_counters& counters, const InputFiles::tally& lines,
                     const InputFiles::tally& records);
