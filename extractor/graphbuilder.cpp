#include "extractor/graphbuilder.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "extractor/settings.h"

namespace {

// A graph file line holds at most this many characters before its line feed.
constexpr std::size_t graphLineLimit = 510;

std::uint64_t pairKey(asnum_t from, asnum_t to) { return (std::uint64_t{from} << 32) | std::uint64_t{to}; }

bool inSet(const ASItem& item) { return (item.flags & ASItem::IN_SET) != 0; }

// The addresses of a route's IPv4 prefix: with its length, or the classful
// one that --prefixes=allmask prints for a network given without length.
// IPv6 routes cover no IPv4 address: first > last.
std::pair<std::uint32_t, std::uint32_t> addressRange(const route_prefix& prefix)
{
    if (prefix.network.family != ip_family::ipv4) return {1, 0};
    const auto& b = prefix.network.bytes;
    const IPAddress network(b[0], b[1], b[2], b[3]);
    const std::uint32_t mask =
        prefix.length ? IPNetmask(static_cast<int>(*prefix.length)).value() : IPPrefix(network).netmask().value();
    const std::uint32_t first = network.value() & mask;
    return {first, first | ~mask};
}

// A text that fits one graph file line: line breaks would split it, so they
// become blanks, and a longer text is cut.
std::string oneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\0'; }, ' ');
    if (text.size() > graphLineLimit) text.resize(graphLineLimit);
    return text;
}

// One stable counting pass: `from` into `to` in the order of the adjacency
// byte at `shift`, with where each byte value's records start in `starts`.
template <typename Record>
void scatterByByte(std::span<const Record> from, std::span<Record> to, unsigned shift,
                   std::array<std::size_t, 257>& starts)
{
    starts.fill(0);
    for (const Record& r : from)
        ++starts[((r.adjacency >> shift) & 0xFFU) + 1];
    for (std::size_t b = 1; b < starts.size(); ++b)
        starts[b] += starts[b - 1];
    std::array<std::size_t, 256> next;
    std::copy_n(starts.begin(), next.size(), next.begin());
    for (const Record& r : from)
        to[next[(r.adjacency >> shift) & 0xFFU]++] = r;
}

} // namespace

GraphBuilder::GraphBuilder(std::size_t foldSize) : foldAt(foldSize), minFold(foldSize)
{
    // Address space only: pages are taken as the crossings come, and none
    // is copied while the array grows.
    crossings.reserve(foldSize);
}

void GraphBuilder::addRoute(std::span<const ASItem> path, const route_prefix& prefix)
{
    routePairs.clear();
    const auto [first, last] = addressRange(prefix);

    // The members of an AS set are nodes, but no adjacency leads into, out of
    // or through a set: its order means nothing, and which member meets the
    // AS beside it is unknown.
    bool linked = false; // the previous AS is on an adjacency of this route
    for (std::size_t i = 0; i < path.size(); ++i) {
        const asnum_t as = path[i].asn;
        const bool linksNext = i + 1 < path.size() && !inSet(path[i]) && !inSet(path[i + 1]) && path[i + 1].asn != as;
        if (linksNext) {
            // A route counts once in a direction it crosses twice (a cycle
            // kept in the path); paths are short, so a scan finds repeats.
            const asnum_t next = path[i + 1].asn;
            const std::uint64_t key = pairKey(as, next);
            if (std::find(routePairs.begin(), routePairs.end(), key) == routePairs.end()) {
                routePairs.push_back(key);
                const bool down = next < as;
                crossings.push_back(crossing{down ? pairKey(next, as) : key, first, last, 1, down ? 1U : 0U});
            }
        } else if (!linked) {
            // No adjacency of this route touches the AS: a one-AS path, a run
            // of one prepended AS, or a set member.
            nodes.insert(as);
        }
        linked = linksNext;
    }
    if (crossings.size() >= foldAt) fold();
}

void GraphBuilder::sortByAdjacency()
{
    // A radix sort, stable, over the bytes in which adjacencies differ (with
    // 16-bit AS numbers four of the eight). The most significant one first
    // splits the crossings into buckets small enough to stay in the cache
    // while each is sorted on the other bytes, least significant first.
    std::uint64_t varying = 0;
    for (const crossing& c : crossings)
        varying |= c.adjacency ^ crossings.front().adjacency;
    std::vector<unsigned> shifts;
    for (unsigned shift = 0; shift < 64; shift += 8)
        if (((varying >> shift) & 0xFFU) != 0) shifts.push_back(shift);
    if (shifts.empty()) return;
    sortSpace.resize(crossings.size());
    std::array<std::size_t, 257> buckets{};
    scatterByByte<crossing>(crossings, sortSpace, shifts.back(), buckets);
    shifts.pop_back();
    std::array<std::size_t, 257> unused{};
    for (std::size_t b = 0; b < 256; ++b) {
        const std::size_t begin = buckets[b];
        const std::size_t size = buckets[b + 1] - begin;
        std::span<crossing> from(sortSpace.data() + begin, size);
        std::span<crossing> to(crossings.data() + begin, size);
        for (const unsigned shift : shifts) {
            scatterByByte<crossing>(from, to, shift, unused);
            std::swap(from, to);
        }
    }
    // After an even number of passes per bucket, the sorted crossings are
    // where the first pass put them.
    if (shifts.size() % 2 == 0) crossings.swap(sortSpace);
}

std::uint64_t GraphBuilder::collectRuns(std::size_t begin, std::size_t end, std::uint32_t down)
{
    const std::size_t start = runs.size();
    std::uint64_t paths = 0;
    for (std::size_t k = begin; k < end; ++k) {
        if (crossings[k].down != down) continue;
        paths += crossings[k].paths;
        if (crossings[k].first <= crossings[k].last) runs.push_back(address_run{crossings[k].first, crossings[k].last});
    }
    if (paths == 0) return 0;
    if (runs.size() == start) {
        // Only IPv6 routes crossed: one run of no address carries the count.
        runs.push_back(address_run{1, 0});
        return paths;
    }
    // Listings come sorted by network, so the prefixes of a direction mostly
    // arrive in ascending order already (the sort keeps arrival order).
    const auto own = runs.begin() + static_cast<std::ptrdiff_t>(start);
    if (!std::is_sorted(own, runs.end())) std::sort(own, runs.end());
    std::size_t kept = start;
    for (std::size_t k = start + 1; k < runs.size(); ++k) {
        if (std::uint64_t{runs[k].first} <= std::uint64_t{runs[kept].last} + 1)
            runs[kept].last = std::max(runs[kept].last, runs[k].last);
        else
            runs[++kept] = runs[k];
    }
    runs.resize(kept + 1);
    return paths;
}

void GraphBuilder::fold()
{
    sortByAdjacency();
    std::size_t folded = 0;
    const auto put = [&](std::uint64_t adjacency, std::uint32_t down, std::uint64_t paths, std::size_t from,
                         std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            // Path coverings saturate at the largest value a graph file holds.
            const auto count = static_cast<std::uint32_t>(
                k == from ? std::min<std::uint64_t>(paths, std::numeric_limits<std::uint32_t>::max()) : 0);
            crossings[folded++] = crossing{adjacency, runs[k].first, runs[k].last, count, down};
        }
    };
    for (std::size_t i = 0; i < crossings.size();) {
        const std::uint64_t adjacency = crossings[i].adjacency;
        std::size_t end = i + 1;
        while (end < crossings.size() && crossings[end].adjacency == adjacency)
            ++end;
        if (end == i + 1) {
            // One record: already folded.
            crossings[folded++] = crossings[i++];
            continue;
        }
        // Both directions are collected before either is put back: the runs
        // of one may take the places of the other's crossings.
        runs.clear();
        const std::uint64_t upPaths = collectRuns(i, end, 0);
        const std::size_t upRuns = runs.size();
        const std::uint64_t downPaths = collectRuns(i, end, 1);
        put(adjacency, 0, upPaths, 0, upRuns);
        put(adjacency, 1, downPaths, upRuns, runs.size());
        i = end;
    }
    crossings.resize(folded);
    foldAt = std::max(minFold, 2 * folded);
}

void GraphBuilder::write(std::FILE* file, std::string_view source, std::string_view comment)
{
    fold();
    sortSpace = {};
    runs = {};
    std::uint64_t adjacencies = 0;
    for (std::size_t i = 0; i < crossings.size(); ++i) {
        const std::uint64_t adjacency = crossings[i].adjacency;
        if (i > 0 && adjacency == crossings[i - 1].adjacency) continue;
        // With the ASs met alone, the ends of the adjacencies are all the nodes.
        ++adjacencies;
        nodes.insert(static_cast<asnum_t>(adjacency >> 32));
        nodes.insert(static_cast<asnum_t>(adjacency & 0xFFFFFFFFU));
    }

    GraphFileWriter out(file, GraphFileWriter::pacing::blocks);
    out.marker(false, asnumber::needs32Bits(nodes.largest()));
    out.number(1);
    out.text(source);
    out.text(comment);
    out.number(nodes.size());
    out.number(adjacencies);
    nodes.forEach([&out](asnum_t as) { out.number(as); });
    writeEdges(out);
    out.flush();
}

void GraphBuilder::writeEdges(GraphFileWriter& out)
{
    // Folded, an adjacency's records are its disjoint address runs, those of
    // the direction leaving the smaller AS first.
    for (std::size_t i = 0; i < crossings.size();) {
        const std::uint64_t adjacency = crossings[i].adjacency;
        edge_line line;
        line.from = static_cast<asnum_t>(adjacency >> 32);
        line.to = static_cast<asnum_t>(adjacency & 0xFFFFFFFFU);
        for (; i < crossings.size() && crossings[i].adjacency == adjacency; ++i) {
            const crossing& c = crossings[i];
            const std::uint64_t addresses = c.first <= c.last ? std::uint64_t{c.last} - c.first + 1 : 0;
            (c.down != 0 ? line.reversePaths : line.paths) += c.paths;
            (c.down != 0 ? line.reverseAddresses : line.addresses) += addresses;
        }
        out.edge(line);
    }
}

std::string graphSourceName(const extraction_mode& settings)
{
    // Several files are named one after the other.
    std::string names;
    for (const std::string& file : settings.inputFiles) {
        if (!names.empty()) names += ' ';
        names += file == "-" ? "(standard input)" : file;
    }
    return oneLine(names.empty() ? "(standard input)" : names);
}

std::string graphComment(const extraction_mode& settings)
{
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
