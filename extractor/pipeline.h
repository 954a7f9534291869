#pragma once
// The per-route cleaning pass: incomplete route, vantage point, then AS by AS
// AS sets, prepending, private ASs and cycles, as the settings say, counting
// every decision.
#include <array>
#include <cstdint>
#include <vector>

#include "common/asmap.h"
#include "common/asnumber.h"
#include "common/smartstructs.h"
#include "extractor/pathtags.h"
#include "extractor/settings.h"
#include "parsers/fileparsers.h"

// Rows of the counter table: the five features, then the input.
enum counter_row : std::size_t { ROW_INCOMPLETE, ROW_PREPENDING, ROW_PRIVATE, ROW_SETS, ROW_CYCLES, ROW_INPUT };
// Columns: what happened to a route with a feature, then what reached a file.
enum counter_column : std::size_t {
    COL_UNCHANGED,
    COL_CHANGED,
    COL_DELETED,
    COL_SAVED,
    COL_TAGGED,
    COL_REPORTED,
    COL_EMPTY_BEFORE,
    COL_EMPTY_AFTER
};
inline constexpr std::size_t counterRows = 6;
inline constexpr std::size_t counterColumns = 8;

struct path_counters {
    std::array<std::array<std::uint64_t, counterColumns>, counterRows> cells{};
    std::uint64_t processed = 0;   // routes parsed without error
    std::uint64_t parseErrors = 0; // routes whose parsing failed

    std::uint64_t& operator()(counter_row row, counter_column column) { return cells[row][column]; }
    std::uint64_t operator()(counter_row row, counter_column column) const { return cells[row][column]; }
};

// The outcome of cleaning one route.
struct route_result {
    bool keep = true;                         // the path goes to the main output
    std::array<bool, counterRows - 1> save{}; // per feature row: save the unchanged path
    tag_field tags = emptyTags;
    std::vector<ASItem> unchangedPath; // as parsed, with the vantage point AS
    std::vector<ASItem> cleanedPath;
};

// The ASs met so far on one path. Real paths hold a handful of ASs, so a
// short list searched linearly stays in cache; only a path with many distinct
// ASs moves to a hash table, which keeps its size for the next long path.
class seen_as_set {
public:
    void clear();
    // False when the AS was already there.
    bool insert(asnum_t as)
    {
        if (!usingTable) {
            for (const asnum_t m : members)
                if (m == as) return false;
            if (members.size() < linearLimit) {
                members.push_back(as);
                return true;
            }
            switchToTable();
        }
        return table.insert(as, 0).second;
    }

private:
    void switchToTable();

    static constexpr std::size_t linearLimit = 32;
    std::vector<asnum_t> members;
    bool usingTable = false;
    ASMap table;
};

// Whether a route is one the settings read: of the family chosen, heard from
// a peer chosen.
bool selected(const route_record& route, const extraction_mode& settings);

class PathCleaner {
public:
    explicit PathCleaner(const extraction_mode& settings) : settings(settings) {}

    // Cleans `path` (the parser's list, walked but not changed) of a route
    // with the given origin code bits; the result stays valid until the next
    // call. Counts the route in `counters`.
    const route_result& clean(List<ASItem>& path, std::uint8_t origin, path_counters& counters);
    // The same for a path given as items (tests and callers without a list).
    const route_result& clean(std::span<const ASItem> path, std::uint8_t origin, path_counters& counters);

private:
    void run(std::uint8_t origin, path_counters& counters);

    const extraction_mode& settings;
    route_result result;
    seen_as_set seenAS;
};
