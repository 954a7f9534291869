#include "extractor/graphbuilder.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <limits>

#include "extractor/settings.h"

namespace {

// A graph file line holds at most this many characters before its line feed.
constexpr std::size_t graphLineLimit = 510;

std::uint64_t pairKey(asnum_t from, asnum_t to) { return (std::uint64_t{from} << 32) | std::uint64_t{to}; }

bool inSet(const ASItem& item) { return (item.flags & ASItem::IN_SET) != 0; }

// The mask bits of a route's prefix: its netmask, or the classful one that
// --prefixes=allmask prints for a network given without length.
std::uint32_t maskBits(const IPAddress& network, const std::optional<IPNetmask>& netmask) {
    return netmask ? netmask->value() : IPPrefix(network).netmask().value();
}

// A text that fits one graph file line: line breaks would split it, so they
// become blanks, and a longer text is cut.
std::string oneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\0'; }, ' ');
    if (text.size() > graphLineLimit) text.resize(graphLineLimit);
    return text;
}

} // namespace

void GraphBuilder::addRoute(std::span<const ASItem> path, const IPAddress& network,
                            const std::optional<IPNetmask>& netmask) {
    routePairs.clear();
    const std::uint32_t mask = maskBits(network, netmask);
    const std::uint32_t first = network.value() & mask;
    const std::uint32_t last = first | ~mask;

    // The members of an AS set are nodes, but no adjacency leads into, out of
    // or through a set: its order means nothing, and which member meets the
    // AS beside it is unknown.
    bool linked = false; // the previous AS is on an adjacency of this route
    for (std::size_t i = 0; i < path.size(); ++i) {
        const ASItem& item = path[i];
        const bool linksNext = i + 1 < path.size() && !inSet(item) && !inSet(path[i + 1]) && path[i + 1].asn != item.asn;
        if (linksNext) {
            // A route counts once in a direction it crosses twice (a cycle
            // kept in the path); paths are short, so a scan finds repeats.
            const std::uint64_t key = pairKey(item.asn, path[i + 1].asn);
            if (std::find(routePairs.begin(), routePairs.end(), key) == routePairs.end()) {
                routePairs.push_back(key);
                countRoute(directionOf(key), first, last);
            }
        } else if (!linked) {
            // No adjacency of this route touches the AS: a one-AS path, a run
            // of one prepended AS, or a set member.
            addLoneNode(item.asn);
        }
        linked = linksNext;
    }
}

GraphBuilder::direction& GraphBuilder::directionOf(std::uint64_t key) {
    if ((directionCount + 1) * 4 > table.size() * 3) growTable();
    const std::size_t mask = table.size() - 1;
    // Fibonacci hashing spreads the consecutive AS numbers of a key.
    for (std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift);; i = (i + 1) & mask) {
        direction& d = table[i];
        if (d.id == noDirection) {
            d.key = key;
            d.id = static_cast<std::uint32_t>(directionCount++);
            return d;
        }
        if (d.key == key) return d;
    }
}

void GraphBuilder::growTable() {
    std::vector<direction> old = std::move(table);
    table.assign(old.empty() ? std::size_t{1} << 14 : old.size() * 2, direction{});
    shift = 64 - static_cast<unsigned>(std::countr_zero(table.size()));
    const std::size_t mask = table.size() - 1;
    for (const direction& d : old) {
        if (d.id == noDirection) continue;
        std::size_t i = static_cast<std::size_t>((d.key * 0x9E3779B97F4A7C15ULL) >> shift);
        while (table[i].id != noDirection) i = (i + 1) & mask;
        table[i] = d;
    }
}

void GraphBuilder::countRoute(direction& d, std::uint32_t first, std::uint32_t last) {
    // Listings come sorted by network, so a direction's prefixes mostly
    // arrive in ascending order: one that meets or touches the interval still
    // growing extends it, and only closed intervals are stored for the end.
    if (d.paths != std::numeric_limits<std::uint32_t>::max()) ++d.paths;
    if (d.paths > 1) {
        if (first >= d.openFirst && (first <= d.openLast || first - d.openLast == 1)) {
            d.openLast = std::max(d.openLast, last);
            return;
        }
        if (first < d.openFirst) d.unordered = 1;
        runs.push_back(address_run{d.id, d.openFirst, d.openLast});
    }
    d.openFirst = first;
    d.openLast = last;
}

void GraphBuilder::addLoneNode(asnum_t as) {
    if (loneIndex.find(as) != graph_detail::npos) return;
    loneIndex.insert(as, static_cast<std::uint32_t>(loneNodes.size()));
    loneNodes.push_back(as);
}

std::vector<std::uint64_t> GraphBuilder::countAddresses() {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> ordered(directionCount, 1);
    for (const direction& d : table) {
        if (d.id == noDirection) continue;
        ordered[d.id] = d.unordered == 0;
        runs.push_back(address_run{d.id, d.openFirst, d.openLast});
    }
    // The intervals of a direction whose prefixes came in ascending order
    // are disjoint and apart, so they are just added up. Only the other
    // directions' intervals are sorted and merged.
    std::vector<std::uint64_t> addresses(directionCount, 0);
    std::vector<address_run> unordered;
    for (const address_run& r : runs) {
        if (ordered[r.direction])
            addresses[r.direction] += std::uint64_t{r.last} - r.first + 1;
        else
            unordered.push_back(r);
    }
    runs = {};
    std::sort(unordered.begin(), unordered.end(), [](const address_run& a, const address_run& b) {
        return a.direction != b.direction ? a.direction < b.direction : a.first < b.first;
    });
    for (std::size_t i = 0; i < unordered.size();) {
        const std::uint32_t id = unordered[i].direction;
        std::uint64_t count = 0;
        std::uint64_t openFirst = unordered[i].first, openLast = unordered[i].last;
        for (++i; i < unordered.size() && unordered[i].direction == id; ++i) {
            if (unordered[i].first <= openLast + 1) {
                openLast = std::max<std::uint64_t>(openLast, unordered[i].last);
                continue;
            }
            count += openLast - openFirst + 1;
            openFirst = unordered[i].first;
            openLast = unordered[i].last;
        }
        addresses[id] = count + (openLast - openFirst + 1);
    }
    unionTime += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return addresses;
}

void GraphBuilder::build(ASGraph& graph) {
    const std::vector<std::uint64_t> addresses = countAddresses();

    // Nodes and adjacencies go in in ascending order, which the graph takes
    // without any lookup of existing adjacencies. Both directions of an
    // adjacency sort together under the key of the one that leaves the
    // smaller AS; each carries its coverings, so the sorted walk reads
    // nothing else.
    struct end_weight {
        std::uint64_t adjacency;
        std::uint64_t addresses;
        std::uint32_t paths;
        bool up; // from the smaller AS to the larger
        bool operator<(const end_weight& other) const { return adjacency < other.adjacency; }
    };
    std::vector<end_weight> ends;
    ends.reserve(directionCount);
    for (const direction& d : table) {
        if (d.id == noDirection) continue;
        const auto from = static_cast<asnum_t>(d.key >> 32);
        const auto to = static_cast<asnum_t>(d.key & 0xFFFFFFFFU);
        // With the ASs met alone, the ends of the directions are all the nodes.
        addLoneNode(from);
        addLoneNode(to);
        ends.push_back(end_weight{from < to ? d.key : pairKey(to, from), addresses[d.id], d.paths, from < to});
    }
    table = {};
    std::sort(loneNodes.begin(), loneNodes.end());
    for (const asnum_t as : loneNodes) graph.addNode(as, as);
    std::sort(ends.begin(), ends.end());

    for (std::size_t i = 0; i < ends.size();) {
        const std::size_t n = i + 1 < ends.size() && ends[i + 1].adjacency == ends[i].adjacency ? 2 : 1;
        ASEdgeWeight up, down;
        for (std::size_t k = i; k < i + n; ++k) {
            ASEdgeWeight& w = ends[k].up ? up : down;
            w.pathCovering[0] = ends[k].paths;
            w.ipCovering[0] = ends[k].addresses;
        }
        const std::uint64_t key = ends[i].adjacency;
        graph.addEdge(static_cast<asnum_t>(key >> 32), static_cast<asnum_t>(key & 0xFFFFFFFFU), UNDIRECTED, up, down);
        i += n;
    }
}

std::string graphSourceName(const extraction_mode& settings) {
    return oneLine(settings.inputFile ? *settings.inputFile : "(standard input)");
}

std::string graphComment(const extraction_mode& settings) {
    std::string comment = "routesift";
    for (const std::string& given : settings.givenSettings) {
        // Whole settings only: one that does not fit ends the list with "...".
        if (comment.size() + 1 + given.size() > graphLineLimit - 4) {
            comment += " ...";
            break;
        }
        comment += ' ';
        comment += given;
    }
    return oneLine(std::move(comment));
}
