// The commands that replace what the console works on: load, clear and save.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/consoletools.h"
#include "common/decompress.h"
#include "common/hugepages.h"
#include "common/interrupts.h"
#include "common/outputfiles.h"
#include "common/report.h"
#include "console/commands.h"
#include "console/writing.h"
#include "graph/analyses.h"
#include "graph/asgraph.h"
#include "graph/components.h"

namespace {

// The graph reader takes at most 511 characters a line, the line feed included.
constexpr std::size_t longestSavedLine = 510;

struct file_closer {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

// The graph of the component a save command names, or null after reporting
// the range.
std::unique_ptr<ASComponent> chooseComponent(const command_target& target, long index, const console_state& state)
{
    const bool strong = target.object == T_SCC;
    const std::unique_ptr<ASComponents>& split = strong ? state.sccs : state.ccs;
    const long count = componentCount(split);
    if (index < 1 || index > count) {
        report(std::string(strong ? "Error: SCC" : "Error: CC") + " index out of range [1-" + std::to_string(count) +
               "]");
        return nullptr;
    }
    return split->graph(static_cast<std::size_t>(index - 1));
}

// Copies a component into a graph of its own, to be written as a graph file.
std::unique_ptr<ASGraph> graphOf(const ASComponent& component, const console_state& state)
{
    auto out = std::make_unique<ASGraph>();
    component.forEachNode([&](const ASComponent::node_listing& n) { out->addNode(n.id, n.id); });
    component.forEachEdge([&](const ASComponent::edge_listing& e) {
        out->addEdge(e.from.id, e.to.id, *e.dir, *e.weight, *e.reverseWeight);
    });
    // A name longer than the reader takes in one line would come back as two
    // lines and break the file: it is cut to fit.
    out->setSourceFiles(std::vector<std::string>{state.loadedFileName.substr(0, longestSavedLine)}, true);
    out->isDifferential() = state.graph && state.graph->isDifferential();
    out->hasWideASNumbers() = state.graph && state.graph->hasWideASNumbers();
    return out;
}

// `-' is standard input, when it does not carry the commands.
std::unique_ptr<ByteSource> openGraphInput(const std::string& fileName, const console_state& state)
{
    if (fileName != "-") return openInputFile(fileName.c_str());
    if (state.standardInputFree)
        return decompressing(std::make_unique<StreamSource>(stdin, false, StreamSource::pacing::blocks));
    return nullptr;
}

bool confirmOverwrite(const std::string& name) { return askOverwrite(name); }

std::string systemReason(std::string_view what, int err) { return std::string(what) + " (" + std::strerror(err) + ")"; }

} // namespace

void clearMem(console_state& state)
{
    state.sccs.reset();
    state.ccs.reset();
    state.links.reset();
    state.graph.reset();
    hugepages::returnFreeMemory();
}

void loadGraph(const std::string& fileName, console_state& state)
{
    state.loadedFileName.clear();
    // A load that fails leaves no earlier graph behind.
    clearMem(state);

    // Compressed graph files are read as they are published.
    const std::unique_ptr<ByteSource> file = openGraphInput(fileName, state);
    if (!file && fileName == "-") {
        report("Error: unable to open file `-' for reading", "standard input carries the commands");
        return;
    }
    if (!file) {
        reportSystemError("Error: unable to open file `" + fileName + "' for reading", errno);
        return;
    }
    state.graph = std::make_unique<ASGraph>();
    const bool read = state.graph->readFromFile(*file, fileName);
    // A compressed file is read to its end: its check values follow the
    // data, and damaged data decodes to garbage before its check fails, so
    // the damage is the reason to give wherever it lies.
    if (file->compressed() && !file->failed()) drain(*file);
    if (!read || file->failed()) {
        // The partly read graph stays the working graph, without components.
        if (file->failed()) {
            report("Error: unable to read file `" + fileName + "'", file->failure());
        } else {
            report("File `" + fileName + "' does not appear to be a valid graph file:\n" + state.graph->errReason());
        }
        return;
    }
    state.sccs = std::make_unique<ASComponents>(*state.graph, SCC);
    state.ccs = std::make_unique<ASComponents>(*state.graph, CC);
    state.loadedFileName = fileName;
}

void writeFile(const std::string& fileName, bool forceOverwrite, const char* what, const file_producer& produce)
{
    // The old file is replaced only once the new one is complete.
    OutputSet files;
    const OutputSet::opening opened = files.open(fileName, forceOverwrite, confirmOverwrite);
    // Ctrl-C at the prompt (an interrupted question or wait for a FIFO's
    // reader) stops the command without a word.
    if (opened.outcome == OutputSet::DECLINED || interruptPending()) return;
    if (opened.outcome == OutputSet::FAILED) {
        reportSystemError("Unable to open file `" + fileName + "' for writing", opened.error);
        return;
    }
    std::string reason;
    const bool written = produce(files.stream(opened.index), reason);
    if (interruptPending()) return; // the old file stays
    if (written && !files.commit())
        reason = systemReason(std::string("Could not write ") + what + " file", files.failedError());
    if (!reason.empty()) {
        files.abandon();
        reportText(report_level::error, std::string("Error: unable to write ") + what + " to file:\n" + reason);
    }
}

void saveGraph(const std::string& fileName, const command_target& target, long index, const console_state& state,
               bool forceOverwrite)
{
    const std::unique_ptr<ASComponent> component = chooseComponent(target, index, state);
    if (!component) return;
    const std::unique_ptr<ASGraph> graph = graphOf(*component, state);
    writeFile(fileName, forceOverwrite, "graph", [&graph](std::FILE* out, std::string& reason) {
        if (graph->writeToFile(out)) return true;
        reason = graph->errReason();
        return false;
    });
}
