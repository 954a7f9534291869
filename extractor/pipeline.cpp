#include "extractor/pipeline.h"

#include <algorithm>

namespace {

constexpr std::size_t tagPosition(counter_row row)
{
    // Letters stand in the order "CPpSI" whatever order the features are met in.
    switch (row) {
    case ROW_CYCLES: return 0;
    case ROW_PREPENDING: return 1;
    case ROW_PRIVATE: return 2;
    case ROW_SETS: return 3;
    default: return 4;
    }
}
constexpr char tagLetter[] = "CPpSI";

// Marks of one route: at most one count per cell however often a feature
// occurs on the path.
class route_marks {
public:
    void mark(counter_row row, counter_column column) { bits[row] |= static_cast<std::uint8_t>(1U << column); }
    void countInto(path_counters& counters) const
    {
        for (std::size_t row = 0; row < counterRows; ++row)
            for (std::size_t column = COL_UNCHANGED; column <= COL_TAGGED; ++column)
                if (bits[row] & (1U << column)) ++counters.cells[row][column];
    }

private:
    std::array<std::uint8_t, counterRows> bits{};
};

} // namespace

bool selected(const route_record& route, const extraction_mode& settings)
{
    if (settings.family && route.prefix.network.family != *settings.family) return false;
    if (settings.peerASs.empty() && settings.peerAddresses.empty()) return true;
    if (!route.peer) return false;
    const auto& as = settings.peerASs;
    const auto& addresses = settings.peerAddresses;
    return std::find(as.begin(), as.end(), route.peer->as) != as.end() ||
           std::find(addresses.begin(), addresses.end(), route.peer->address) != addresses.end();
}

void seen_as_set::clear()
{
    members.clear();
    if (!usingTable) return;
    usingTable = false;
    table.clear();
}

void seen_as_set::switchToTable()
{
    for (const asnum_t m : members)
        table.insert(m, 0);
    usingTable = true;
}

const route_result& PathCleaner::clean(List<ASItem>& path, std::uint8_t origin, path_counters& counters)
{
    result.unchangedPath.clear();
    if (!path.isEmpty()) {
        path.goToFirst();
        do
            result.unchangedPath.push_back(path.current());
        while (path.next());
    }
    run(origin, counters);
    return result;
}

const route_result& PathCleaner::clean(std::span<const ASItem> path, std::uint8_t origin, path_counters& counters)
{
    result.unchangedPath.assign(path.begin(), path.end());
    run(origin, counters);
    return result;
}

void PathCleaner::run(std::uint8_t origin, path_counters& counters)
{
    ++counters.processed;
    route_result& r = result;
    r.keep = true;
    r.save.fill(false);
    r.tags = emptyTags;
    r.cleanedPath.clear();
    seenAS.clear();
    route_marks marks;

    auto setTag = [&r](counter_row row) { r.tags[tagPosition(row)] = tagLetter[tagPosition(row)]; };

    if (origin & bgpParser::ORIGIN_INCOMPLETE) {
        const std::uint8_t mode = settings.incompleteMode;
        if (mode & DELETE) r.keep = false;
        ++counters(ROW_INCOMPLETE, r.keep ? COL_UNCHANGED : COL_DELETED);
        if (mode & SAVE) {
            r.save[ROW_INCOMPLETE] = true;
            ++counters(ROW_INCOMPLETE, COL_SAVED);
        }
        if (mode & TAG) {
            ++counters(ROW_INCOMPLETE, COL_TAGGED);
            setTag(ROW_INCOMPLETE);
        }
    }

    if (settings.vantageAS && settings.vpointMode != VPOINT_NONE) {
        const asnum_t vantage = *settings.vantageAS;
        if (settings.vpointMode == VPOINT_ALWAYS || r.unchangedPath.empty() || r.unchangedPath.front().asn != vantage) {
            const std::uint8_t flags = asnumber::isPrivate(vantage) ? ASItem::PRIVATE : 0;
            r.unchangedPath.insert(r.unchangedPath.begin(), ASItem{vantage, flags});
        }
    }

    // The same decisions for every feature that a single AS can show.
    auto apply = [&](counter_row row, std::uint8_t mode, bool& remove) {
        if (mode == KEEP) marks.mark(row, COL_UNCHANGED);
        if (mode & FIX) {
            marks.mark(row, COL_CHANGED);
            remove = true;
        }
        if (mode & DELETE) {
            marks.mark(row, COL_DELETED);
            r.keep = false;
        }
        if (mode & SAVE) {
            marks.mark(row, COL_SAVED);
            r.save[row] = true;
        }
        if (mode & TAG) {
            marks.mark(row, COL_TAGGED);
            setTag(row);
        }
    };

    asnum_t prev = r.unchangedPath.empty() ? 0 : r.unchangedPath.front().asn;
    for (const ASItem& item : r.unchangedPath) {
        bool remove = false;
        // "First" is the first item still on the path: earlier ones may have
        // been removed by a fix.
        const bool first = r.cleanedPath.empty();
        const bool inSet = (item.flags & ASItem::IN_SET) != 0;
        if (inSet) apply(ROW_SETS, settings.setsMode, remove);
        if (item.asn == prev && !first) apply(ROW_PREPENDING, settings.prepMode, remove);
        if (item.flags & ASItem::PRIVATE) apply(ROW_PRIVATE, settings.privasMode, remove);
        if (remove) continue;

        // Set members are never part of a cycle, and a repetition of the AS
        // just before is prepending, not a cycle. The first AS takes part, so
        // 1 2 1 has a cycle.
        if (!inSet && (first || item.asn != prev) && !seenAS.insert(item.asn)) {
            bool removeCycle = false;
            apply(ROW_CYCLES, settings.cyclesMode, removeCycle);
            if (removeCycle) continue;
        }
        r.cleanedPath.push_back(item);
        prev = item.asn;
    }
    marks.countInto(counters);
}
