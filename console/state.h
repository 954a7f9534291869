#pragma once
// The working state of meshprobe's command loop: what every command reads and
// what load, clear and save replace. One instance lives for one command loop.
#include <memory>
#include <string>

#include "common/asnumber.h"

class ASGraph;
class ASEdgeWeight;
template <typename V, typename W, typename I>
class Graph;
template <typename V, typename W, typename I>
class Components;
class link_index;

// The working graph or one of its components, as a graph of its own.
using ASComponent = Graph<asnum_t, ASEdgeWeight, asnum_t>;
// The labelling of the working graph into its components of one kind.
using ASComponents = Components<asnum_t, ASEdgeWeight, asnum_t>;

struct console_state {
    console_state();
    ~console_state(); // out of line, where the graph types are complete
    console_state(const console_state&) = delete;
    console_state& operator=(const console_state&) = delete;

    std::string loadedFileName;     // last file loaded successfully; empty otherwise
    bool echo = false;              // echo each command before running it
    std::unique_ptr<ASGraph> graph; // the working graph, or none
    // Component n of the commands is number n - 1 of a labelling; none while
    // no graph has been split.
    std::unique_ptr<ASComponents> sccs;
    std::unique_ptr<ASComponents> ccs;
    // The working graph's adjacencies by AS, built by its first valley-free
    // test for the tests that follow.
    std::unique_ptr<link_index> links;
    // Standard input carries no commands, so `load -' may read a graph from it.
    bool standardInputFree = false;
    bool stopAtError = false; // -e: a command that reports an error ends the command loop
    bool failed = false;      // and one did
};

// The number of components of a labelling; 0 when there is none.
long componentCount(const std::unique_ptr<ASComponents>& split) noexcept;
