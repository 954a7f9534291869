// fuzz-link: halcyn_graph
// Any bytes as a graph file or relationship file: the reader must refuse or
// accept without a crash or a hang; an accepted graph splits into components
// that account for every node and adjacency, and writing it, reading that
// back and writing again gives the same bytes (when its texts fit the line
// limit).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graph/asgraph.h"
#include "graph/components.h"

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

file_ptr readStream(std::vector<char>& bytes)
{
    if (bytes.empty()) return file_ptr(std::fopen("/dev/null", "r"));
    return file_ptr(fmemopen(bytes.data(), bytes.size(), "r"));
}

std::string writeOut(ASGraph& g)
{
    char* text = nullptr;
    std::size_t size = 0;
    {
        file_ptr out(open_memstream(&text, &size));
        if (!out || !g.writeToFile(out.get())) std::abort();
    }
    std::string result(text, size);
    std::free(text);
    return result;
}

void check(bool ok)
{
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> bytes(data, data + size);
    ASGraph g;
    {
        file_ptr in = readStream(bytes);
        if (!in) return 0;
        if (!g.readFromFile(in.get())) {
            check(!g.errReason().empty());
            return 0;
        }
    }
    check(g.errReason().empty());

    for (const cc_type type : {SCC, CC}) {
        std::uint64_t nodes = 0;
        std::uint64_t edges = 0;
        const Components split(g, type);
        for (std::size_t i = 0; i < split.count(); ++i) {
            // The labelling's counts are those of the component's own graph.
            const auto c = split.graph(i);
            check(c->nodes() > 0 && c->nodes() == split.nodes(i) && c->edges() == split.edges(i));
            nodes += c->nodes();
            edges += c->edges();
        }
        check(nodes == g.nodes());
        check(type == SCC ? edges <= g.edges() : edges == g.edges());
    }

    const std::string first = writeOut(g);
    // A name or comment of 511 characters came from a longer line read in
    // pieces; written on a line of its own it is again too long to read whole.
    for (const std::string& name : g.getSourceFiles())
        if (name.size() > 510) return 0;
    if (g.getComment().size() > 510) return 0;
    std::vector<char> again(first.begin(), first.end());
    ASGraph back;
    file_ptr in = readStream(again);
    check(in && back.readFromFile(in.get()));
    check(writeOut(back) == first);
    return 0;
}
