#include "extractor/grouping.h"

#include <algorithm>
#include <utility>

#include "common/consoletools.h"

namespace {

std::uint64_t pathHash(std::span<const ASItem> path)
{
    // FNV-1a over number and flags of every item.
    std::uint64_t h = 1469598103934665603ULL;
    for (const ASItem& item : path) {
        h = (h ^ item.asn) * 1099511628211ULL;
        h = (h ^ item.flags) * 1099511628211ULL;
    }
    return h;
}

void addRecord(path_group& group, std::span<const ASItem> path, std::uint64_t hash, const tag_field& tags,
               const route_prefix& prefix)
{
    pathData& record = group.records.emplace_back();
    record.path.assign(path.begin(), path.end());
    record.occurrences = 1;
    record.tags = tags;
    record.prefixes.push_back(prefix);
    group.hashes.push_back(hash);
}

} // namespace

bool samePath(std::span<const ASItem> a, std::span<const ASItem> b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].asn != b[i].asn || a[i].flags != b[i].flags) return false;
    return true;
}

void updateMap(GroupingMap& map, std::span<const ASItem> path, const tag_field& tags, const route_prefix& prefix,
               bool unique)
{
    if (path.empty()) return;
    const asnum_t key = path.back().asn;
    const std::uint64_t hash = pathHash(path);

    const auto [index, added] = map.groupOf.insert(key, static_cast<std::uint32_t>(map.groups.size()));
    if (added) {
        addRecord(map.groups.emplace_back(), path, hash, tags, prefix);
        ++map.pathCount;
        return;
    }

    path_group& group = map.groups[index];
    for (std::size_t i = 0; i < group.hashes.size(); ++i) {
        if (group.hashes[i] != hash) continue;
        pathData& record = group.records[i];
        if (!samePath(record.path, path)) continue;
        ++record.occurrences;
        // A letter once present stays: the merged field says that at least
        // one of the routes had the feature.
        for (std::size_t t = 0; t < tags.size(); ++t)
            if (tags[t] != ' ') record.tags[t] = tags[t];
        if (unique) {
            // Only the last entry is compared, so a network seen with and
            // without a length, or again after another one, is listed again.
            if (record.prefixes.back() == prefix) return;
        }
        record.prefixes.push_back(prefix);
        return;
    }
    addRecord(group, path, hash, tags, prefix);
    ++map.pathCount;
}

void printMap(OutputFile& out, GroupingMap& map, bool tags, bool progress, bool show, bool allmask)
{
    // Groups are written in ascending order of their origin AS.
    std::vector<std::pair<asnum_t, std::uint32_t>> order;
    order.reserve(map.groupOf.size());
    map.groupOf.forEach([&order](asnum_t as, std::uint32_t index) { order.emplace_back(as, index); });
    std::sort(order.begin(), order.end());
    const std::uint64_t total = map.groups.size();
    std::uint64_t done = 0;
    for (const auto& [as, index] : order) {
        path_group& group = map.groups[index];
        ++done;
        if (progress) printPercentage(static_cast<float>(done), static_cast<float>(total));
        for (pathData& record : group.records) {
            out.writeUnsigned(record.occurrences);
            out.put('\t');
            if (tags) {
                out.write(std::string_view(record.tags.data(), 6));
                out.put('\t');
            }
            printASpath(out, record.path);
            if (show) {
                out.put('\t');
                for (const route_prefix& p : record.prefixes)
                    printPrefix(out, p, allmask);
            }
            out.put('\n');
        }
        group = path_group();
    }
    map.groups.clear();
    map.groups.shrink_to_fit();
    map.groupOf = ASMap();
    map.pathCount = 0;
}

void writePathLine(OutputFile& out, const tag_field* tags, std::span<const ASItem> path, bool show,
                   const route_prefix& prefix, bool allmask)
{
    if (tags) out.write(std::string_view(tags->data(), 6));
    printASpath(out, path);
    if (show) {
        out.put('\t');
        printPrefix(out, prefix, allmask);
    }
    out.put('\n');
}
