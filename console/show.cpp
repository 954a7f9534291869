// The show command: counts, graph information, component sizes and the
// distributions of coverings and orientation histories, each distribution
// followed by its first extremes and, for coverings, the average.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/commands.h"
#include "console/printing.h"
#include "graph/components.h"

namespace {

// The first most and the first least item met: only a strictly greater or
// strictly smaller value replaces the current one, so among equals the first
// one listed stays.
template <typename Item, typename Value>
struct extremes {
    std::optional<Item> most, least;
    Value mostValue{}, leastValue{};

    void offer(const Item& item, Value value)
    {
        if (!most) {
            most = least = item;
            mostValue = leastValue = value;
            return;
        }
        if (value > mostValue) {
            most = item;
            mostValue = value;
        }
        if (value < leastValue) {
            least = item;
            leastValue = value;
        }
    }
};

void printString(const std::string& text)
{
    // Written whole: a name or comment may hold any byte.
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Sizes come from the labelling: no component graph is built.
void showComponents(const std::unique_ptr<ASComponents>& split, target_code property, bool strong)
{
    const char* const name = strong ? "SCC" : "CC";
    const long count = componentCount(split);
    if (property == T_INDEX) {
        for (long i = 0; i < count; ++i) {
            const auto c = static_cast<std::size_t>(i);
            std::printf("%s %10li has %10u nodes and %10u edges\n", name, i + 1, split->nodes(c), split->edges(c));
        }
        return;
    }
    if (property != T_NODES && property != T_EDGES) {
        reportError("So, what should I show?\n");
        return;
    }
    std::printf("%s components are %li\n", strong ? "Strongly connected" : "Connected", count);
    if (count == 0) return;

    CountDistribution sizes;
    extremes<long, std::uint64_t> found;
    for (long i = 0; i < count; ++i) {
        const auto c = static_cast<std::size_t>(i);
        const std::uint64_t size = property == T_NODES ? split->nodes(c) : split->edges(c);
        found.offer(i + 1, size);
        countValue(sizes, size);
    }
    printDistribution(sizes, strong ? "SCCs with" : "CCs with", property == T_NODES ? "nodes" : "edges", false);
    std::printf("Index of the first largest %s: %li\n", name, *found.most);
    std::printf("Index of the first smallest %s: %li\n", name, *found.least);
}

void showInformation(const ASGraph& graph, const std::string& loadedFileName)
{
    std::fputs("Graph file: ", stdout);
    printString(loadedFileName);
    std::printf("\nGraph type: %s%s\n", graph.isDifferential() ? "(multi)differential" : "normal",
                graph.hasWideASNumbers() ? " (32-bit AS numbers)" : "");
    std::fputs("Graph comment: ", stdout);
    printString(graph.getComment());
    const std::vector<std::string>& sources = graph.getSourceFiles();
    std::printf("\nGraph has been generated using %llu files:\n", static_cast<unsigned long long>(sources.size()));
    for (const std::string& source : sources) {
        std::fputc(' ', stdout);
        printString(source);
        std::fputc('\n', stdout);
    }
}

// Both directions together, for the first compared graph. Held in 64 bits:
// a default route alone covers 2^32 addresses. Two IP coverings near the top
// of their range stop at the largest value instead of wrapping.
std::uint64_t coveringOf(const ASEdgeListing& edge, bool ip)
{
    if (!ip) return std::uint64_t{edge.weight->pathCovering[CMP_FIRST]} + edge.reverseWeight->pathCovering[CMP_FIRST];
    const std::uint64_t there = edge.weight->ipCovering[CMP_FIRST];
    const std::uint64_t back = edge.reverseWeight->ipCovering[CMP_FIRST];
    return back > std::numeric_limits<std::uint64_t>::max() - there ? std::numeric_limits<std::uint64_t>::max()
                                                                    : there + back;
}

void printExtremeEdge(const char* caption, const ASEdgeListing& edge, std::size_t asWidth)
{
    std::fputs(caption, stdout);
    printEdge(edge, false, asWidth);
    std::fputc('\n', stdout);
}

void showCovering(const ASComponent& graph, bool ip, std::size_t asWidth)
{
    CountDistribution values;
    extremes<ASEdgeListing, std::uint64_t> found;
    double mean = 0.0;
    std::uint64_t seen = 0;
    graph.forEachEdge([&](const ASEdgeListing& edge) {
        const std::uint64_t value = coveringOf(edge, ip);
        const auto k = static_cast<double>(seen);
        mean = (k * mean + static_cast<double>(value)) / (k + 1.0);
        ++seen;
        found.offer(edge, value);
        countValue(values, value);
    });
    printDistribution(values, ip ? "adjacencies with IP covering" : "adjacencies with path covering", "", ip);
    if (seen == 0) return;
    printExtremeEdge("First most covered adjacency: ", *found.most, asWidth);
    printExtremeEdge("First least covered adjacency: ", *found.least, asWidth);
    if (ip) {
        std::printf("Average IP covering: %17.2f  (", mean);
        printNetmaskCoverage(mean);
        std::fputs(")\n", stdout);
    } else {
        std::printf("Average path covering: %17.2f\n", mean);
    }
}

struct difference_text {
    const char* label;
    const char* tail;
    const char* mostLine;
    const char* leastLine;
};

difference_text differenceText(target_code diffProperty)
{
    switch (diffProperty) {
    case T_ATTENDANCES:
        return {"edges appeared in", "graphs",
                "First edge with most attendances: ", "First edge with least attendances: "};
    case T_DIRECTED:
        return {"edges were directed in", "of the graphs they appeared in",
                "First most frequently directed edge: ", "First most rarely directed edge: "};
    case T_UNDIRECTED:
        return {"edges were undirected in", "of the graphs they appeared in",
                "First most frequently undirected edge: ", "First most rarely undirected edge: "};
    case T_ORIENTED:
        return {"edges were oriented in", "of the graphs they appeared in",
                "First most frequently oriented edge: ", "First most rarely oriented edge: "};
    case T_UNORIENTED:
        return {"edges were unoriented in", "of the graphs they appeared in",
                "First most frequently unoriented edge: ", "First most rarely unoriented edge: "};
    case T_CHANGES:
        return {"edges changed their orientation", "of the times they could",
                "First most unstable edge: ", "First most stable edge: "};
    default:
        return {"edges retained their orientation for", "(on avg.) of the graphs they appeared in",
                "First most steady edge: ", "First least steady edge: "};
    }
}

// The share of the compared graphs an edge showed the property in. An edge
// that appeared in no compared graph measures 0 rather than dividing by zero.
double fractionOf(const ASEdgeWeight& w, target_code diffProperty)
{
    const unsigned g = w.comparedGraphs;
    if (g == 0) return 0.0;
    const double graphs = g;
    switch (diffProperty) {
    case T_DIRECTED: return (unsigned{w.incomingCount} + w.outgoingCount) / graphs;
    case T_UNDIRECTED: return w.undirectedCount / graphs;
    case T_ORIENTED: return (unsigned{w.incomingCount} + w.outgoingCount + w.undirectedCount) / graphs;
    case T_UNORIENTED: return w.unorientedCount / graphs;
    case T_CHANGES: return g == 1 ? 0.0 : w.orientationChanges / (graphs - 1.0);
    default: return static_cast<double>(w.orientationStability) / graphs;
    }
}

// Measures every edge: its value goes into the distribution and is offered
// to the extremes.
template <typename K, typename Measure>
void measureEdges(const ASComponent& graph, BST<std::uint64_t, K>& distribution, extremes<ASEdgeListing, K>& found,
                  Measure measure)
{
    graph.forEachEdge([&](const ASEdgeListing& edge) {
        const K value = measure(edge);
        found.offer(edge, value);
        countValue(distribution, value);
    });
}

void showDifferences(const ASComponent& graph, target_code diffProperty, std::size_t asWidth)
{
    const difference_text text = differenceText(diffProperty);
    if (diffProperty == T_ATTENDANCES) {
        CountDistribution counts;
        extremes<ASEdgeListing, std::uint64_t> found;
        measureEdges(graph, counts, found,
                     [](const ASEdgeListing& edge) { return std::uint64_t{edge.weight->comparedGraphs}; });
        printDistribution(counts, text.label, text.tail, false);
        if (!found.most) return;
        printExtremeEdge(text.mostLine, *found.most, asWidth);
        printExtremeEdge(text.leastLine, *found.least, asWidth);
        return;
    }
    FractionDistribution fractions;
    extremes<ASEdgeListing, double> found;
    measureEdges(graph, fractions, found,
                 [diffProperty](const ASEdgeListing& edge) { return fractionOf(*edge.weight, diffProperty); });
    printDistribution(fractions, text.label, text.tail);
    if (!found.most) return;
    printExtremeEdge(text.mostLine, *found.most, asWidth);
    printExtremeEdge(text.leastLine, *found.least, asWidth);
}

} // namespace

void printDistribution(CountDistribution& distribution, const char* label, const char* unit, bool withNetmask)
{
    List<std::uint64_t> values = distribution.listKeys();
    List<std::uint64_t> counts = distribution.listItems();
    while (!values.isEmpty()) {
        const std::uint64_t value = values.pop();
        const std::uint64_t count = counts.pop();
        std::printf("%10llu %s %10llu %s", static_cast<unsigned long long>(count), label,
                    static_cast<unsigned long long>(value), unit);
        if (withNetmask) {
            std::fputs(" (", stdout);
            printNetmaskCoverage(static_cast<double>(value));
            std::fputc(')', stdout);
        }
        std::fputc('\n', stdout);
    }
}

void printDistribution(FractionDistribution& distribution, const char* label, const char* tail)
{
    List<double> values = distribution.listKeys();
    List<std::uint64_t> counts = distribution.listItems();
    while (!values.isEmpty()) {
        const double value = values.pop();
        const std::uint64_t count = counts.pop();
        std::printf("%10llu %s %12.8f %% %s\n", static_cast<unsigned long long>(count), label, value * 100.0, tail);
    }
}

void showCount(const command_target& target, long index, const console_state& state)
{
    if (!state.graph) {
        reportError("There is no graph to currently work on\n");
        return;
    }
    if (target.object == T_ANYSCC || target.object == T_ANYCC) {
        const bool strong = target.object == T_ANYSCC;
        showComponents(strong ? state.sccs : state.ccs, target.property, strong);
        return;
    }
    std::optional<chosen_graph> chosen = chooseGraph(target, index, state, "show");
    if (!chosen) return;
    const std::size_t asWidth = asnumber::fieldWidth(state.graph->asRange());
    switch (target.property) {
    case T_NODES: std::printf("%u\n", chosen->nodes()); break;
    case T_EDGES: std::printf("%u\n", chosen->edges()); break;
    case T_INFORMATION: showInformation(*state.graph, state.loadedFileName); break;
    case T_IPCOVERING: showCovering(chosen->graph(), true, asWidth); break;
    case T_PATHCOVERING: showCovering(chosen->graph(), false, asWidth); break;
    case T_DIFFERENCES:
        if (target.diffProperty >= T_ATTENDANCES && target.diffProperty <= T_DURATION)
            showDifferences(chosen->graph(), target.diffProperty, asWidth);
        else
            reportError("So, what should I show?\n");
        break;
    case T_VALENCY:
    case T_KCORES:
    case T_CONES: showMeasure(target.property, chosen->graph(), state); break;
    case T_INDEX: break;
    default: reportError("So, what should I show?\n"); break;
    }
}
