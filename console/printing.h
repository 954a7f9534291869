#pragma once
// The line formats of dump and show: edges with their orientation symbols,
// covering values with their netmask coverage, and value distributions.
// Everything goes to standard output through stdio's buffer; the column
// layout is fixed because other tools read these lines.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "common/smartstructs.h"
#include "console/commands.h"
#include "console/state.h"
#include "graph/asgraph.h"

using ASEdgeListing = ASComponent::edge_listing;

// Distribution of whole numbers: key = measured value, item = occurrences.
using CountDistribution = BST<std::uint64_t, std::uint64_t>;
// Distribution of fractions; values are grouped only when exactly equal.
using FractionDistribution = BST<std::uint64_t, double>;

// A right-aligned in asWidth columns, a blank, the orientation symbol (two of
// them, one per compared graph, when differential), a blank, B left-aligned in
// asWidth columns ("%5i ", " %-5i" in a classic graph); no newline.
void printEdge(const ASEdgeListing& edge, bool differential,
               std::size_t asWidth = asnumber::fieldWidth(asnumber::classicRange));
// The IP covering of both directions in one compared graph, each with its
// netmask coverage; no newline.
void printIPCovering(const ASEdgeListing& edge, cmp_graph which);
// The path covering of both directions in one compared graph; no newline.
void printPathCovering(const ASEdgeListing& edge, cmp_graph which);
// "~/%3.0f" with the prefix length of a single block of `addresses`
// addresses, or " --- " for none.
void printNetmaskCoverage(double addresses);

// One line per distinct value, ascending: "%10llu %s %10llu %s" (count, label,
// value, unit), then " (coverage)" when withNetmask.
void printDistribution(CountDistribution& distribution, const char* label, const char* unit, bool withNetmask);
// One line per distinct fraction, ascending, as a percentage with eight decimals.
void printDistribution(FractionDistribution& distribution, const char* label, const char* tail);

// Counts one occurrence of value.
template <typename K>
void countValue(BST<std::uint64_t, K>& distribution, const K& value)
{
    if (std::uint64_t* seen = distribution.findItem(value))
        ++*seen;
    else
        distribution.addItem(1, value);
}

// Writes a diagnostic to standard error after flushing standard output, so
// that when both streams share a destination the lines keep their order.
void reportError(std::string_view message);

// What a dump or show command works on: the working graph, or one component
// of a labelling, whose own graph is built the first time its nodes or
// adjacencies are listed; its counts come from the labelling.
class chosen_graph {
public:
    explicit chosen_graph(const ASComponent& whole) noexcept : graph_(&whole) {}
    chosen_graph(const ASComponents& split, std::size_t component) noexcept : split_(&split), component_(component) {}

    std::uint32_t nodes() const noexcept;
    std::uint32_t edges() const noexcept;
    const ASComponent& graph();

private:
    const ASComponent* graph_ = nullptr;
    const ASComponents* split_ = nullptr;
    std::size_t component_ = 0;
    std::unique_ptr<ASComponent> built_;
};

// The graph a dump or show command works on: the working graph, or the scc or
// cc the index names. Prints the reason to standard error and gives none when
// there is none; `verb` completes "So, what should I %s?".
std::optional<chosen_graph> chooseGraph(const command_target& target, long index, const console_state& state,
                                        const char* verb);
