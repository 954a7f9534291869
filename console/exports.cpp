// The write command: the graph or a component, or the per-AS results, in
// the formats of other tools, written through the output layer.
#include <cerrno>
#include <cstring>
#include <string>

#include "console/commands.h"
#include "console/printing.h"
#include "console/writing.h"
#include "graph/components.h"
#include "graph/exports.h"

namespace {

std::uint32_t componentNumber(const std::unique_ptr<ASComponents>& split, asnum_t as)
{
    const std::optional<std::size_t> c = split ? split->componentOf(as) : std::nullopt;
    return c ? static_cast<std::uint32_t>(*c + 1) : 0;
}

// Measures within the chosen graph; component numbers from the working
// graph's labelling. One measure after another, each one's working memory
// gone before the next starts: cones, which take the most, before the table.
node_table resultsOf(const ASComponent& graph, const console_state& state)
{
    node_table table;
    table.relationships = state.graph->hasRelationships();
    const std::vector<std::uint32_t> cones =
        table.relationships ? coneSizes(graph) : std::vector<std::uint32_t>(graph.nodes(), 0);
    table.rows.resize(graph.nodes());
    std::uint32_t v = 0;
    graph.forEachNode([&](const auto& n) {
        node_row& row = table.rows[v];
        row.as = n.id;
        row.scc = componentNumber(state.sccs, row.as);
        row.cc = componentNumber(state.ccs, row.as);
        row.cone = cones[v++];
    });
    {
        const std::vector<std::uint32_t> cores = coreNumbers(as_topology(graph));
        for (v = 0; v < cores.size(); ++v)
            table.rows[v].core = cores[v];
    }
    const std::vector<as_degrees> degrees = degreeTable(graph);
    for (v = 0; v < degrees.size(); ++v)
        table.rows[v].degrees = degrees[v];
    return table;
}

bool produce(target_code format, const ASComponent& graph, const console_state& state, std::FILE* out)
{
    switch (format) {
    case T_EDGES: return writeEdgeCSV(out, graph);
    case T_NODES: return writeNodeCSV(out, resultsOf(graph, state));
    case T_XML: return writeGraphML(out, graph, resultsOf(graph, state));
    default: return writeRelationships(out, graph);
    }
}

} // namespace

void writeResults(const std::string& fileName, const command_target& target, long index, const console_state& state,
                  bool forceOverwrite)
{
    std::optional<chosen_graph> chosen = chooseGraph(target, index, state, "write");
    if (!chosen) return;
    if (target.property == T_RELATIONSHIPS && !state.graph->hasRelationships()) {
        reportError("Error: relationships can only be written for a graph read from an AS-relationship file\n");
        return;
    }
    const ASComponent& graph = chosen->graph();
    writeFile(fileName, forceOverwrite, "results", [&](std::FILE* out, std::string& reason) {
        if (produce(target.property, graph, state, out)) return true;
        reason = std::string("Could not write results file (") + std::strerror(errno) + ")";
        return false;
    });
}
