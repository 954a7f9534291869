#include "extractor/grouping.h"

#include "common/consoletools.h"

namespace {

std::uint64_t pathHash(std::span<const ASItem> path) {
    // FNV-1a over number and flags of every item.
    std::uint64_t h = 1469598103934665603ULL;
    for (const ASItem& item : path) {
        h = (h ^ item.asn) * 1099511628211ULL;
        h = (h ^ item.flags) * 1099511628211ULL;
    }
    return h;
}

pathData newRecord(std::span<const ASItem> path, std::uint64_t hash, const tag_field& tags,
                   const IPAddress& network, const std::optional<IPNetmask>& netmask) {
    pathData record;
    record.path.assign(path.begin(), path.end());
    record.occurrences = 1;
    record.tags = tags;
    record.prefixes.push_back({network, netmask});
    record.hash = hash;
    return record;
}

} // namespace

bool samePath(std::span<const ASItem> a, std::span<const ASItem> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].asn != b[i].asn || a[i].flags != b[i].flags) return false;
    return true;
}

void updateMap(GroupingMap& map, std::span<const ASItem> path, const tag_field& tags, const IPAddress& network,
               const std::optional<IPNetmask>& netmask, bool unique) {
    if (path.empty()) return;
    const asnum_t key = path.back().asn;
    const std::uint64_t hash = pathHash(path);

    std::uint32_t* index = map.groupIndex.findItem(key);
    if (!index) {
        map.groupIndex.addItem(static_cast<std::uint32_t>(map.groups.size()), key);
        map.groups.emplace_back().push_back(newRecord(path, hash, tags, network, netmask));
        ++map.pathCount;
        return;
    }

    std::vector<pathData>& group = map.groups[*index];
    for (pathData& record : group) {
        if (record.hash != hash || !samePath(record.path, path)) continue;
        ++record.occurrences;
        // A letter once present stays: the merged field says that at least
        // one of the routes had the feature.
        for (std::size_t i = 0; i < tags.size(); ++i)
            if (tags[i] != ' ') record.tags[i] = tags[i];
        if (unique) {
            // Only the last entry is compared, so a network seen with and
            // without a length, or again after another one, is listed again.
            const prefix_entry& last = record.prefixes.back();
            if (last.network == network && last.netmask == netmask) return;
        }
        record.prefixes.push_back({network, netmask});
        return;
    }
    group.push_back(newRecord(path, hash, tags, network, netmask));
    ++map.pathCount;
}

void printMap(OutputFile& out, GroupingMap& map, bool tags, bool progress, bool show, bool allmask) {
    // Ascending order of the origin AS; the tree's listing is refilled by the
    // next call, so it is consumed at once.
    List<std::uint32_t>& order = map.groupIndex.listItems();
    const std::uint64_t total = order.len();
    std::uint64_t done = 0;
    while (!order.isEmpty()) {
        std::vector<pathData>& group = map.groups[order.pop()];
        ++done;
        if (progress) printPercentage(static_cast<float>(done), static_cast<float>(total));
        for (pathData& record : group) {
            out.writeUnsigned(record.occurrences);
            out.put('\t');
            if (tags) {
                out.write(std::string_view(record.tags.data(), 6));
                out.put('\t');
            }
            printASpath(out, record.path);
            if (show) {
                out.put('\t');
                for (const prefix_entry& p : record.prefixes) printPrefix(out, p.network, p.netmask, allmask);
            }
            out.put('\n');
        }
        std::vector<pathData>().swap(group);
    }
    map.groups.clear();
    map.groupIndex = BST<std::uint32_t, asnum_t>();
    map.pathCount = 0;
}

void writePathLine(OutputFile& out, const tag_field* tags, std::span<const ASItem> path, bool show,
                   const IPAddress& network, const std::optional<IPNetmask>& netmask, bool allmask) {
    if (tags) out.write(std::string_view(tags->data(), 6));
    printASpath(out, path);
    if (show) {
        out.put('\t');
        printPrefix(out, network, netmask, allmask);
    }
    out.put('\n');
}

void writeToFile(OutputFile& out, const tag_field& tags, bool group, bool show, bool allmask, bool unique,
                 bool anyTag, const IPAddress& network, const std::optional<IPNetmask>& netmask,
                 std::span<const ASItem> path, GroupingMap& map) {
    if (group)
        updateMap(map, path, tags, network, netmask, unique);
    else
        writePathLine(out, anyTag ? &tags : nullptr, path, show, network, netmask, allmask);
}
