// The dump command: nodes, edges, coverings and orientation histories of the
// working graph or of one of its components, one item per line.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>

#include "common/interrupts.h"
#include "common/report.h"
#include "console/commands.h"
#include "console/printing.h"
#include "graph/components.h"

namespace {

const char* orientationSymbol(bool oriented, edge_dir dir)
{
    if (!oriented) return "---";
    switch (dir) {
    case INCOMING: return "<--";
    case OUTGOING: return "-->";
    default: return "<->";
    }
}

// An AS number in at least `width` columns, right- or left-aligned with
// blanks ("%5i" / "%-5i" in a classic graph). The edge columns are most of
// what a million-line dump writes, so they are formatted by hand and written
// with one call per line.
char* putASNumber(char* out, asnum_t as, std::size_t width, bool leftAligned)
{
    char digits[asnumber::maxDigits];
    const auto length = static_cast<std::size_t>(asnumber::format(digits, as) - digits);
    const std::size_t padding = length < width ? width - length : 0;
    if (!leftAligned) out = std::fill_n(out, padding, ' ');
    out = std::copy_n(digits, length, out);
    if (leftAligned) out = std::fill_n(out, padding, ' ');
    return out;
}

void printDifferences(const ASEdgeWeight& w)
{
    // comparedGraphs is an unsigned 16-bit counter: printed unsigned so that
    // counts above 32767 do not come out negative.
    std::printf("  %5hu %5hu %7.1f    <--: %-5hu    -->: %-5hu    <->: %-5hu    ---: %-5hu", w.comparedGraphs,
                w.orientationChanges, static_cast<double>(w.orientationStability), w.incomingCount, w.outgoingCount,
                w.undirectedCount, w.unorientedCount);
}

} // namespace

void printNetmaskCoverage(double addresses)
{
    if (!(addresses > 0.0)) {
        std::fputs(" --- ", stdout);
        return;
    }
    // The "%3.0f" of the length, formatted as an integer: rounding to nearest
    // with ties to even is what printf does, integer output is much cheaper
    // than float output on a million lines, and a length just below zero
    // (a little over 2^32 addresses) prints as 0 rather than "-0".
    const double length = 32.0 - std::log(addresses) / std::log(2.0);
    std::printf("~/%3ld", std::lrint(length));
}

void printEdge(const ASEdgeListing& edge, bool differential, std::size_t asWidth)
{
    const ASEdgeWeight& w = *edge.weight;
    char line[64];
    char* end = putASNumber(line, edge.from.id, asWidth, false);
    *end++ = ' ';
    if (differential) {
        end = std::copy_n(orientationSymbol(w.cmpOriented[CMP_FIRST], w.cmpDir[CMP_FIRST]), 3, end);
        *end++ = ' ';
        end = std::copy_n(orientationSymbol(w.cmpOriented[CMP_SECOND], w.cmpDir[CMP_SECOND]), 3, end);
    } else {
        end = std::copy_n(orientationSymbol(w.oriented, *edge.dir), 3, end);
    }
    *end++ = ' ';
    end = putASNumber(end, edge.to.id, asWidth, true);
    std::fwrite(line, 1, static_cast<std::size_t>(end - line), stdout);
}

void printIPCovering(const ASEdgeListing& edge, cmp_graph which)
{
    const unsigned long long there = edge.weight->ipCovering[which];
    const unsigned long long back = edge.reverseWeight->ipCovering[which];
    std::printf("   %15llu (", there);
    printNetmaskCoverage(static_cast<double>(there));
    std::printf(") %15llu (", back);
    printNetmaskCoverage(static_cast<double>(back));
    std::fputc(')', stdout);
}

void printPathCovering(const ASEdgeListing& edge, cmp_graph which)
{
    std::printf("   %10lu %10lu", static_cast<unsigned long>(edge.weight->pathCovering[which]),
                static_cast<unsigned long>(edge.reverseWeight->pathCovering[which]));
}

void reportError(std::string_view message) { reportText(report_level::error, message); }

std::uint32_t chosen_graph::nodes() const noexcept
{
    return split_ != nullptr ? split_->nodes(component_) : graph_->nodes();
}

std::uint32_t chosen_graph::edges() const noexcept
{
    return split_ != nullptr ? split_->edges(component_) : graph_->edges();
}

const ASComponent& chosen_graph::graph()
{
    if (graph_ == nullptr) {
        built_ = split_->graph(component_);
        graph_ = built_.get();
    }
    return *graph_;
}

std::optional<chosen_graph> chooseGraph(const command_target& target, long index, const console_state& state,
                                        const char* verb)
{
    if (!state.graph) {
        reportError("There is no graph to currently work on\n");
        return std::nullopt;
    }
    const auto pick = [index](const std::unique_ptr<ASComponents>& split,
                              const char* name) -> std::optional<chosen_graph> {
        const long count = componentCount(split);
        if (index < 1 || index > count) {
            reportError("Error: " + std::string(name) + " out of range [1-" + std::to_string(count) + "]\n");
            return std::nullopt;
        }
        return chosen_graph(*split, static_cast<std::size_t>(index - 1));
    };
    switch (target.object) {
    case T_GRAPH: return chosen_graph(*state.graph);
    case T_SCC: return pick(state.sccs, "scc");
    case T_CC: return pick(state.ccs, "cc");
    default: reportError("So, what should I " + std::string(verb) + "?\n"); return std::nullopt;
    }
}

void dumpGraph(const command_target& target, long index, const console_state& state)
{
    std::optional<chosen_graph> chosen = chooseGraph(target, index, state, "dump");
    if (!chosen) return;
    const target_code property = target.property;
    switch (property) {
    case T_NONE: reportError("So, what should I dump?\n"); return;
    case T_NODES:
        chosen->graph().forEachNode([](const ASComponent::node_listing& node) {
            if (interruptPending()) return; // Ctrl-C at the prompt: the rest is not wanted
            char line[asnumber::maxDigits + 1];
            char* end = asnumber::format(line, node.id);
            *end++ = '\n';
            std::fwrite(line, 1, static_cast<std::size_t>(end - line), stdout);
        });
        return;
    case T_VALENCY:
    case T_KCORES:
    case T_CONES: dumpMeasure(property, chosen->graph(), state); return;
    default: break;
    }

    // The working graph's flags decide the layout, also for its components.
    const bool differential = state.graph->isDifferential();
    const std::size_t asWidth = asnumber::fieldWidth(state.graph->asRange());
    chosen->graph().forEachEdge([property, differential, asWidth](const ASEdgeListing& edge) {
        if (interruptPending()) return;
        printEdge(edge, differential && property != T_DIFFERENCES, asWidth);
        switch (property) {
        case T_PATHCOVERING:
            printPathCovering(edge, CMP_FIRST);
            if (differential) printPathCovering(edge, CMP_SECOND);
            break;
        case T_IPCOVERING:
            printIPCovering(edge, CMP_FIRST);
            if (differential) printIPCovering(edge, CMP_SECOND);
            break;
        case T_DIFFERENCES: printDifferences(*edge.weight); break;
        default: break;
        }
        std::fputc('\n', stdout);
    });
}
