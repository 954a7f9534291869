#pragma once
// Where cleaned routes go, each output chosen once from the settings: the
// main output (a line per route, or each distinct path once), the side file
// of a feature, the AS graph. The cleaning code hands a path to its sinks and
// never asks which they are or how they write.
#include <memory>
#include <span>
#include <string>

#include "extractor/graphbuilder.h"
#include "extractor/grouping.h"
#include "extractor/output.h"
#include "parsers/route.h"

struct extraction_mode;

class path_sink {
public:
    virtual ~path_sink() = default;
    // One route's path with its tags and prefix.
    virtual void add(std::span<const ASItem> path, const tag_field& tags, const route_prefix& prefix) = 0;
    // After the last route: writes what was held back. `progress`: a progress
    // display runs on standard output.
    virtual void finish(bool progress) { (void)progress; }
};

// How path lines look, the same in every path output of a run.
struct path_format {
    bool tags = false;    // the tag field, when any feature tags
    bool group = false;   // each distinct path once, with its count, at the end
    bool show = false;    // the prefixes after the path
    bool allmask = false; // a length even for classful networks
    bool unique = false;  // grouped: a prefix not twice in a row

    static path_format of(const extraction_mode& settings);
};

// A path output: `heading` is shown (with progress) before a grouped output
// is written; `writeEmpty`: write it even with no path (the main output).
std::unique_ptr<path_sink> pathSink(OutputFile& out, const path_format& format, const char* heading, bool writeEmpty);

// The AS graph of the paths, written to `out` at the end with the header
// naming `source` and `comment`.
std::unique_ptr<path_sink> graphSink(OutputFile& out, std::string source, std::string comment);
