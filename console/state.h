#pragma once
// The working state of meshprobe's command loop: what every command reads and
// what load, clear and save replace. One instance lives for one command loop.
#include <memory>
#include <string>
#include <vector>

#include "graph/asgraph.h"

class ASGraph;
class ASEdgeWeight;
template <typename V, typename W, typename I> class Graph;

// A strongly connected or connected component of the working graph.
using ASComponent = Graph<graph_as_t, ASEdgeWeight, graph_as_t>;

struct console_state {
    console_state();
    ~console_state(); // out of line, where the graph types are complete
    console_state(const console_state&) = delete;
    console_state& operator=(const console_state&) = delete;

    std::string loadedFileName;                     // last file loaded successfully; empty otherwise
    bool echo = false;                              // echo each command before running it
    std::unique_ptr<ASGraph> graph;                 // the working graph, or none
    std::vector<std::unique_ptr<ASComponent>> sccs; // component n of the commands is entry n - 1
    std::vector<std::unique_ptr<ASComponent>> ccs;
};
