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
    if (++routeStamp == 0) {
        // After 2^32 routes the stamps would alias: start afresh.
        for (direction& d : table) d.lastRoute = 0;
        routeStamp = 1;
    }
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
            direction& d = directionOf(pairKey(item.asn, path[i + 1].asn));
            if (d.lastRoute != routeStamp) {
                d.lastRoute = routeStamp;
                if (d.paths != std::numeric_limits<std::uint32_t>::max()) ++d.paths;
                addAddresses(d, first, last);
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

void GraphBuilder::addAddresses(direction& d, std::uint32_t first, std::uint32_t last) {
    // Listings come sorted by network, so a direction's prefixes mostly
    // arrive in ascending order: one that meets or touches the interval still
    // growing extends it, and only closed intervals are stored for the end.
    if (d.open) {
        if (first >= d.openFirst && (first <= d.openLast || first - d.openLast == 1)) {
            d.openLast = std::max(d.openLast, last);
            return;
        }
        if (first < d.openFirst) d.ordered = false;
        runs.push_back(address_run{d.id, d.openFirst, d.openLast});
    }
    d.open = true;
    d.openFirst = first;
    d.openLast = last;
}

void GraphBuilder::addLoneNode(asnum_t as) {
    if (loneIndex.find(as) != graph_detail::npos) return;
    loneIndex.insert(as, static_cast<std::uint32_t>(loneNodes.size()));
    loneNodes.push_back(as);
}

std::vector<std::uint64_t> GraphBuilder::countAddresses(std::vector<bool>& ordered) {
    const auto start = std::chrono::steady_clock::now();
    ordered.assign(directionCount, true);
    for (const direction& d : table) {
        if (d.id == noDirection) continue;
        ordered[d.id] = d.ordered;
        if (d.open) runs.push_back(address_run{d.id, d.openFirst, d.openLast});
    }
    // Group the intervals by direction (a counting sort keeps their order of
    // arrival), then merge each direction's intervals: as they are for the
    // ordered ones, after a sort for the others.
    std::vector<std::uint32_t> begin(directionCount + 1, 0);
    for (const address_run& r : runs) ++begin[r.direction + 1];
    for (std::size_t i = 1; i < begin.size(); ++i) begin[i] += begin[i - 1];
    std::vector<std::uint64_t> grouped(runs.size());
    {
        std::vector<std::uint32_t> fill(begin.begin(), begin.end() - 1);
        for (const address_run& r : runs) grouped[fill[r.direction]++] = (std::uint64_t{r.first} << 32) | r.last;
    }
    runs = {};
    std::vector<std::uint64_t> addresses(directionCount, 0);
    for (std::size_t i = 0; i < directionCount; ++i) {
        const auto from = grouped.begin() + begin[i];
        const auto to = grouped.begin() + begin[i + 1];
        if (!ordered[i]) std::sort(from, to);
        std::uint64_t count = 0;
        std::uint64_t openFirst = 0, openLast = 0;
        bool open = false;
        for (auto it = from; it != to; ++it) {
            const std::uint64_t first = *it >> 32;
            const std::uint64_t last = *it & 0xFFFFFFFFU;
            if (open && first <= openLast + 1) {
                openLast = std::max(openLast, last);
                continue;
            }
            if (open) count += openLast - openFirst + 1;
            openFirst = first;
            openLast = last;
            open = true;
        }
        if (open) count += openLast - openFirst + 1;
        addresses[i] = count;
    }
    unionTime += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return addresses;
}

void GraphBuilder::build(ASGraph& graph) {
    std::vector<bool> ordered;
    const std::vector<std::uint64_t> addresses = countAddresses(ordered);
    ordered = {};

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
    std::vector<asnum_t> nodes(loneNodes);
    std::vector<end_weight> ends;
    nodes.reserve(nodes.size() + 2 * directionCount);
    ends.reserve(directionCount);
    for (const direction& d : table) {
        if (d.id == noDirection) continue;
        const auto from = static_cast<asnum_t>(d.key >> 32);
        const auto to = static_cast<asnum_t>(d.key & 0xFFFFFFFFU);
        nodes.push_back(from);
        nodes.push_back(to);
        ends.push_back(end_weight{from < to ? d.key : pairKey(to, from), addresses[d.id], d.paths, from < to});
    }
    table = {};
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    for (const asnum_t as : nodes) graph.addNode(as, as);
    nodes = {};
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
