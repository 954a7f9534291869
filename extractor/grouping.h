#pragma once
// The grouping map of --group: every distinct path once, with the number of
// routes that had it, the merged tags of those routes and their prefixes.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/asmap.h"
#include "common/asnumber.h"
#include "common/iptools.h"
#include "extractor/output.h"
#include "extractor/pathtags.h"
#include "parsers/route.h"

// One distinct path of a grouping map.
struct pathData {
    std::vector<ASItem> path;
    std::uint64_t occurrences = 0;
    tag_field tags = emptyTags;
    std::vector<route_prefix> prefixes; // in order of arrival
};

// The distinct paths that end in one AS, in order of first arrival, with a
// hash of each path beside it: the search for an identical path scans the
// packed hashes and compares paths only where a hash matches.
struct path_group {
    std::vector<pathData> records;
    std::vector<std::uint64_t> hashes;
};

// Distinct paths grouped by their last AS (the origin). Each group keeps its
// paths in order of first arrival; printMap writes the groups in ascending
// order of that AS. The groups are found through a hash table keyed by that
// AS: one lookup per route, no tree descent, and memory in step with the
// origins actually met, whatever their numbers.
class GroupingMap {
public:
    bool isEmpty() const { return groups.empty(); }
    // Number of distinct paths held.
    std::uint64_t paths() const { return pathCount; }

private:
    friend void updateMap(GroupingMap&, std::span<const ASItem>, const tag_field&, const route_prefix&, bool);
    friend void printMap(OutputFile&, GroupingMap&, bool, bool, bool, bool);

    ASMap groupOf; // origin AS -> index into groups
    std::vector<path_group> groups;
    std::uint64_t pathCount = 0;
};

// Same length and, position by position, the same AS number and flags.
bool samePath(std::span<const ASItem> a, std::span<const ASItem> b);

// Counts one more route with `path` (which must not be empty): merges its tag
// letters into the record and appends its prefix (with unique, not when it
// repeats the record's last prefix exactly).
void updateMap(GroupingMap& map, std::span<const ASItem> path, const tag_field& tags, const route_prefix& prefix,
               bool unique);

// Writes one line per distinct path: occurrences, [tags,] path[, prefixes].
// The map is emptied as it is written.
void printMap(OutputFile& out, GroupingMap& map, bool tags, bool progress, bool show, bool allmask);

// One line of the ungrouped formats: [tags] path [TAB prefix] LF.
void writePathLine(OutputFile& out, const tag_field* tags, std::span<const ASItem> path, bool show,
                   const route_prefix& prefix, bool allmask);
