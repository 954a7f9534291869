// The dump command: nodes, edges, coverings and orientation histories of the
// working graph or of one of its components, one item per line.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstddef>

#include "common/interrupts.h"
#include "console/commands.h"
#include "console/printing.h"

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

// An AS number in at least five columns, right- or left-aligned with blanks
// ("%5i" / "%-5i"). The edge columns are most of what a million-line dump
// writes, so they are formatted by hand and written with one call per line.
char* putASNumber(char* out, graph_as_t as, bool leftAligned)
{
    constexpr std::ptrdiff_t width = 5;
    char digits[24];
    const std::ptrdiff_t length = std::to_chars(digits, digits + sizeof digits, as).ptr - digits;
    const std::ptrdiff_t padding = length < width ? width - length : 0;
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
                w.orientationChanges, static_cast<double>(w.orientationStability), w.incomingCount,
                w.outgoingCount, w.undirectedCount, w.unorientedCount);
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

void printEdge(const ASEdgeListing& edge, bool differential)
{
    const ASEdgeWeight& w = *edge.weight;
    char line[64];
    char* end = putASNumber(line, edge.from.id, false);
    *end++ = ' ';
    if (differential) {
        end = std::copy_n(orientationSymbol(w.cmpOriented[CMP_FIRST], w.cmpDir[CMP_FIRST]), 3, end);
        *end++ = ' ';
        end = std::copy_n(orientationSymbol(w.cmpOriented[CMP_SECOND], w.cmpDir[CMP_SECOND]), 3, end);
    } else {
        end = std::copy_n(orientationSymbol(w.oriented, *edge.dir), 3, end);
    }
    *end++ = ' ';
    end = putASNumber(end, edge.to.id, true);
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

void reportError(const char* message)
{
    std::fflush(stdout);
    std::fputs(message, stderr);
}

const ASComponent* chooseGraph(const command_target& target, long index, const console_state& state,
                               const char* verb)
{
    if (!state.graph) {
        reportError("There is no graph to currently work on\n");
        return nullptr;
    }
    const auto pick = [index](const auto& components, const char* name) -> const ASComponent* {
        const auto count = static_cast<long>(components.size());
        if (index < 1 || index > count) {
            std::fflush(stdout);
            std::fprintf(stderr, "Error: %s out of range [1-%li]\n", name, count);
            return nullptr;
        }
        return components[static_cast<std::size_t>(index - 1)].get();
    };
    switch (target.object) {
    case T_GRAPH: return state.graph.get();
    case T_SCC: return pick(state.sccs, "scc");
    case T_CC: return pick(state.ccs, "cc");
    default:
        std::fflush(stdout);
        std::fprintf(stderr, "So, what should I %s?\n", verb);
        return nullptr;
    }
}

void dumpGraph(const command_target& target, long index, const console_state& state)
{
    const ASComponent* graph = chooseGraph(target, index, state, "dump");
    if (graph == nullptr) return;
    const target_code property = target.property;
    switch (property) {
    case T_NONE: reportError("So, what should I dump?\n"); return;
    case T_NODES:
        graph->forEachNode([](const ASComponent::node_listing& node) {
            if (interruptPending()) return; // Ctrl-C at the prompt: the rest is not wanted
            char line[24];
            char* end = std::to_chars(line, line + sizeof line - 1, node.id).ptr;
            *end++ = '\n';
            std::fwrite(line, 1, static_cast<std::size_t>(end - line), stdout);
        });
        return;
    default: break;
    }

    // The working graph's flag decides the layout, also for its components.
    const bool differential = state.graph->isDifferential();
    graph->forEachEdge([property, differential](const ASEdgeListing& edge) {
        if (interruptPending()) return;
        printEdge(edge, differential && property != T_DIFFERENCES);
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
