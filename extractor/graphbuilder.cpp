#include "extractor/graphbuilder.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "extractor/settings.h"

namespace {

constexpr std::uint32_t noRun = std::numeric_limits<std::uint32_t>::max();

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
    ++routes;
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
            const std::uint32_t index = directionOf(item.asn, path[i + 1].asn);
            direction& d = directions[index];
            if (d.lastRoute != routes) {
                d.lastRoute = routes;
                ++d.paths;
                addAddresses(d, index, first, last);
            }
        } else if (!linked) {
            // No adjacency of this route touches the AS: a one-AS path, a run
            // of one prepended AS, or a set member.
            addLoneNode(item.asn);
        }
        linked = linksNext;
    }
}

std::uint32_t GraphBuilder::directionOf(asnum_t from, asnum_t to) {
    const std::uint64_t key = pairKey(from, to);
    const std::uint32_t found = directionIndex.find(key);
    if (found != graph_detail::npos) return found;
    const auto index = static_cast<std::uint32_t>(directions.size());
    directions.push_back(direction{from, to, 0, 0, 0, noRun, true});
    directionIndex.insert(key, index);
    return index;
}

void GraphBuilder::addAddresses(direction& d, std::uint32_t index, std::uint32_t first, std::uint32_t last) {
    // Listings come sorted by network, so a direction's prefixes mostly
    // arrive in ascending order: one that meets or touches the direction's
    // latest interval extends it in place, and only the rest is stored for
    // the sort at the end.
    if (d.lastRun != noRun) {
        address_run& latest = runs[d.lastRun];
        if (first >= latest.first) {
            if (first <= latest.last || first - latest.last == 1) {
                latest.last = std::max(latest.last, last);
                return;
            }
        } else {
            d.ordered = false;
        }
    }
    d.lastRun = static_cast<std::uint32_t>(runs.size());
    runs.push_back(address_run{index, first, last});
}

void GraphBuilder::addLoneNode(asnum_t as) {
    if (loneIndex.find(as) != graph_detail::npos) return;
    loneIndex.insert(as, static_cast<std::uint32_t>(loneNodes.size()));
    loneNodes.push_back(as);
}

void GraphBuilder::countAddresses() {
    const auto start = std::chrono::steady_clock::now();
    // Group the intervals by direction (a counting sort keeps their order of
    // arrival), then merge each direction's intervals: in place for the
    // ordered ones, after a sort for the others.
    std::vector<std::uint32_t> begin(directions.size() + 1, 0);
    for (const address_run& r : runs) ++begin[r.direction + 1];
    for (std::size_t i = 1; i < begin.size(); ++i) begin[i] += begin[i - 1];
    std::vector<std::uint64_t> grouped(runs.size());
    {
        std::vector<std::uint32_t> fill(begin.begin(), begin.end() - 1);
        for (const address_run& r : runs) grouped[fill[r.direction]++] = (std::uint64_t{r.first} << 32) | r.last;
    }
    runs = {};
    for (std::size_t i = 0; i < directions.size(); ++i) {
        const auto from = grouped.begin() + begin[i];
        const auto to = grouped.begin() + begin[i + 1];
        if (!directions[i].ordered) std::sort(from, to);
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
        directions[i].addresses = count;
    }
    unionTime += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void GraphBuilder::build(ASGraph& graph) {
    countAddresses();
    for (const direction& d : directions) {
        graph.addNode(d.from, d.from);
        graph.addNode(d.to, d.to);
    }
    for (const asnum_t as : loneNodes) graph.addNode(as, as);

    auto weightOf = [](const direction& d) {
        ASEdgeWeight w;
        w.pathCovering[0] = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(d.paths, std::numeric_limits<std::uint32_t>::max()));
        w.ipCovering[0] = d.addresses;
        return w;
    };
    // Each adjacency once, from the direction that leaves its smaller AS, or
    // from its only direction.
    for (const direction& d : directions) {
        const std::uint32_t back = directionIndex.find(pairKey(d.to, d.from));
        if (d.from < d.to)
            graph.addEdge(d.from, d.to, UNDIRECTED, weightOf(d),
                          back != graph_detail::npos ? weightOf(directions[back]) : ASEdgeWeight{});
        else if (back == graph_detail::npos)
            graph.addEdge(d.to, d.from, UNDIRECTED, ASEdgeWeight{}, weightOf(d));
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
