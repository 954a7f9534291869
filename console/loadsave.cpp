// The commands that replace what the console works on: load, clear and save.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/consoletools.h"
#include "common/decompress.h"
#include "console/commands.h"
#include "graph/asgraph.h"
#include "graph/components.h"

namespace {

struct file_closer {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

// The graph of the component a save command names, or null after reporting
// the range.
std::unique_ptr<ASComponent> chooseComponent(const command_target& target, long index, const console_state& state) {
    const bool strong = target.object == T_SCC;
    const std::unique_ptr<ASComponents>& split = strong ? state.sccs : state.ccs;
    const long count = componentCount(split);
    if (index < 1 || index > count) {
        std::fprintf(stderr, strong ? "Error: SCC index out of range [1-%li]\n" : "Error: CC index out of range [1-%li]\n",
                     count);
        return nullptr;
    }
    return split->graph(static_cast<std::size_t>(index - 1));
}

// Copies a component into a graph of its own, to be written as a graph file.
std::unique_ptr<ASGraph> graphOf(const ASComponent& component, const console_state& state) {
    auto out = std::make_unique<ASGraph>();
    component.forEachNode([&](const ASComponent::node_listing& n) { out->addNode(n.id, n.id); });
    component.forEachEdge([&](const ASComponent::edge_listing& e) {
        out->addEdge(e.from.id, e.to.id, *e.dir, *e.weight, *e.reverseWeight);
    });
    out->setSourceFiles(std::vector<std::string>{state.loadedFileName}, true);
    out->isDifferential() = state.graph && state.graph->isDifferential();
    out->hasWideASNumbers() = state.graph && state.graph->hasWideASNumbers();
    return out;
}

std::string systemReason(std::string_view what, int err) {
    return std::string(what) + " (" + std::strerror(err) + ")";
}

} // namespace

void clearMem(console_state& state) {
    state.sccs.reset();
    state.ccs.reset();
    state.graph.reset();
}

void loadGraph(const std::string& fileName, console_state& state) {
    state.loadedFileName.clear();
    // A load that fails leaves no earlier graph behind.
    clearMem(state);

    // Compressed graph files are read as they are published.
    const std::unique_ptr<ByteSource> file = openInputFile(fileName.c_str());
    if (!file) {
        const int err = errno;
        std::fprintf(stderr, "Error: unable to open file `%s' for reading\n", fileName.c_str());
        std::fprintf(stderr, "(%s)\n", std::strerror(err));
        return;
    }
    state.graph = std::make_unique<ASGraph>();
    if (!state.graph->readFromFile(*file, fileName)) {
        // The partly read graph stays the working graph, without components.
        // Damaged compressed data decodes to garbage before its check fails:
        // then the damage is the reason to give.
        if (file->compressed() && !file->failed()) drain(*file);
        if (file->failed()) {
            std::fprintf(stderr, "Error: unable to read file `%s'\n", fileName.c_str());
            std::fprintf(stderr, "(%s)\n", file->failure().c_str());
        } else {
            std::fprintf(stderr, "File `%s' does not appear to be a valid graph file:\n", fileName.c_str());
            std::fprintf(stderr, "%s\n", state.graph->errReason().c_str());
        }
        return;
    }
    state.sccs = std::make_unique<ASComponents>(*state.graph, SCC);
    state.ccs = std::make_unique<ASComponents>(*state.graph, CC);
    state.loadedFileName = fileName;
}

void saveGraph(const std::string& fileName, const command_target& target, long index, const console_state& state,
               bool forceOverwrite) {
    const std::unique_ptr<ASComponent> component = chooseComponent(target, index, state);
    if (!component) return;
    const std::unique_ptr<ASGraph> graph = graphOf(*component, state);

    if (file_ptr existing{std::fopen(fileName.c_str(), "r")}) {
        existing.reset();
        if (!forceOverwrite && !askOverwrite(fileName)) return;
    }
    file_ptr file(std::fopen(fileName.c_str(), "w"));
    if (!file) {
        const int err = errno;
        std::fprintf(stderr, "Unable to open file `%s' for writing\n", fileName.c_str());
        std::fprintf(stderr, "(%s)\n", std::strerror(err));
        return;
    }
    // Buffered output can fail only when it reaches the disk (a full disk
    // reports at flush or close), so success is judged after both.
    std::string reason;
    if (!graph->writeToFile(file.get())) {
        reason = graph->errReason();
    } else if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
        reason = systemReason("Could not write graph file", errno);
    }
    const int closed = std::fclose(file.release());
    if (reason.empty() && closed != 0) reason = systemReason("Could not close graph file", errno);
    if (!reason.empty()) std::fprintf(stderr, "Error: unable to write graph to file:\n%s", reason.c_str());
}
