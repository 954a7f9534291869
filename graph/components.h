#pragma once
// The split of a graph into connected or strongly connected components, kept
// as one labelling over the source graph's nodes: a component number per
// node, the members of each component in ascending identifier order, and the
// node and adjacency counts of every component. Counts and distributions
// come straight from the labelling; a component's own graph is built only
// when its adjacencies are wanted, and only for that component.
//
// Components are numbered in ascending order of their smallest node
// identifier. A component holds its nodes and every adjacency whose two ends
// it holds (loops included). For strongly connected components an adjacency
// is followed from an end that sees it undirected or outgoing, so an
// undirected adjacency joins its ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "graph/graph.h"

template <typename V, typename W, typename I>
class Components {
public:
    using graph_type = Graph<V, W, I>;

    // Labels every node of `source`, which must outlive this object and not
    // grow while it is used.
    Components(const graph_type& source, cc_type type) : source_(&source)
    {
        std::vector<std::uint32_t> raw(source.meta_.size(), graph_detail::npos);
        const std::uint32_t rawCount = type == SCC ? labelStrong(raw) : labelWeak(raw);
        arrange(raw, rawCount);
        countEdges();
        // Component graphs are built from the neighbour arrays, made only
        // now: the search's successor lists are gone, and a big graph never
        // holds both at once.
        source.ensureAdjacency();
    }

    std::size_t count() const noexcept { return edgeCount_.size(); }
    // Nodes and adjacencies of component c (0-based).
    std::uint32_t nodes(std::size_t c) const noexcept { return start_[c + 1] - start_[c]; }
    std::uint32_t edges(std::size_t c) const noexcept { return edgeCount_[c]; }
    // The component (0-based) holding the node `id`; none when the source lacks it.
    std::optional<std::size_t> componentOf(const I& id) const noexcept
    {
        const std::uint32_t n = source_->nodeLookup_.find(id);
        if (n == graph_detail::npos) return std::nullopt;
        return label_[n];
    }

    // Component c as a graph of its own, listing as any graph does, with the
    // source's orientations and weights. Its records are shared with the
    // source until one side changes them, and it stays valid after the
    // source is destroyed.
    std::unique_ptr<graph_type> graph(std::size_t c) const
    {
        const graph_type& src = *source_;
        auto out = std::make_unique<graph_type>();
        graph_type& g = *out;
        g.pool_ = src.pool_;
        const std::uint32_t first = start_[c];
        const std::uint32_t size = nodes(c);
        g.meta_.reserve(size);
        g.order_.reserve(size);
        for (std::uint32_t k = first; k < first + size; ++k)
            g.appendNode(src.values_[members_[k]], src.meta_[members_[k]].id);
        // Members and their neighbours come in ascending identifier order, so
        // each node's bookkeeping is known from its own walk.
        for (std::uint32_t k = first; k < first + size; ++k) {
            const std::uint32_t v = members_[k];
            auto& m = g.meta_[k - first];
            for (std::uint32_t a = src.adjStart_[v]; a < src.adjStart_[v + 1]; ++a) {
                const auto& adj = src.adjacency_[a];
                const std::uint32_t other = src.otherEnd(adj);
                if (label_[other] != c) continue;
                ++m.degree;
                m.lastOtherId = src.meta_[other].id;
                if (!adj.fromOther())
                    g.appendLink(k - first, slot_[other] - first, src.poolIndexOf(adj.edge()), src.dirs_[adj.edge()]);
            }
        }
        src.pool_->sharedBelow = src.pool_->records.size();
        return out;
    }

private:
    // Connected components: union-find over the adjacencies in storage
    // order. Reading each adjacency's two ends once, in sequence, touches far
    // less memory than walking the neighbour arrays, whose other ends lie
    // all over the graph. Every root is the smallest node index of its set.
    std::uint32_t labelWeak(std::vector<std::uint32_t>& comp) const
    {
        const graph_type& src = *source_;
        std::vector<std::uint32_t>& parent = comp; // reused: a label replaces each parent below
        for (std::uint32_t v = 0; v < parent.size(); ++v)
            parent[v] = v;
        const auto root = [&parent](std::uint32_t v) {
            while (parent[v] != v) {
                parent[v] = parent[parent[v]]; // path halving
                v = parent[v];
            }
            return v;
        };
        const auto& ends = src.ends_;
        for (std::size_t e = 0; e < ends.size(); ++e) {
            const std::uint32_t a = root(ends[e].a);
            const std::uint32_t b = root(ends[e].b);
            if (a < b)
                parent[b] = a;
            else if (b < a)
                parent[a] = b;
        }
        // A parent never follows its child, so one ascending pass points
        // every node at its root, and a second numbers the roots and labels
        // each member from its root, which is numbered by then.
        for (std::uint32_t v = 0; v < parent.size(); ++v)
            parent[v] = parent[parent[v]];
        std::uint32_t label = 0;
        for (std::uint32_t v = 0; v < comp.size(); ++v)
            comp[v] = parent[v] == v ? label++ : comp[parent[v]];
        return label;
    }

    // The nodes each node reaches over one adjacency (along its orientation,
    // or either way when undirected), loops left out: node v's successors
    // are node[start[v] .. start[v + 1]), in no particular order.
    struct successor_lists {
        std::vector<std::uint32_t> start;
        std::vector<std::uint32_t, huge_page_allocator<std::uint32_t>> node;
    };

    // Made in two passes over the adjacencies in the order they are stored,
    // which read each adjacency's ends and orientation once, in sequence.
    successor_lists successors() const
    {
        const graph_type& src = *source_;
        successor_lists s;
        s.start.assign(src.meta_.size() + 2, 0);
        // Each arc is counted at start[from + 2], so that after the sums
        // start[from + 1] is where from's successors begin, and placing them
        // moves it to where they end.
        const auto forEachArc = [&src](auto&& arc) {
            src.ends_.forEachRun([&](const auto* ends, std::size_t first, std::size_t count) {
                const edge_dir* dirs = &src.dirs_[first];
                for (std::size_t k = 0; k < count; ++k) {
                    if (ends[k].a == ends[k].b) continue;
                    if (dirs[k] != INCOMING) arc(ends[k].a, ends[k].b);
                    if (dirs[k] != OUTGOING) arc(ends[k].b, ends[k].a);
                }
            });
        };
        forEachArc([&s](std::uint32_t from, std::uint32_t) { ++s.start[from + 2]; });
        for (std::size_t v = 2; v < s.start.size(); ++v)
            s.start[v] += s.start[v - 1];
        s.node.resize(s.start.back());
        forEachArc([&s](std::uint32_t from, std::uint32_t to) { s.node[s.start[from + 1]++] = to; });
        return s;
    }

    // Strongly connected components: Tarjan's method with an explicit call
    // stack, so the depth of the walk never reaches the machine stack. The
    // walk reads the successor lists: following the neighbour arrays would
    // fetch each adjacency's ends and orientation wherever they lie.
    std::uint32_t labelStrong(std::vector<std::uint32_t>& comp) const
    {
        const successor_lists arcs = successors();
        const std::size_t n = comp.size();
        std::vector<std::uint32_t> index(n, graph_detail::npos);
        std::vector<std::uint32_t> low(n, 0);
        std::vector<std::uint32_t> open; // Tarjan's stack of nodes not yet in a component
        struct frame {
            std::uint32_t node;
            std::uint32_t next; // position in the successor lists
        };
        std::vector<frame> calls;
        std::uint32_t counter = 0;
        std::uint32_t label = 0;
        for (std::uint32_t s = 0; s < n; ++s) {
            if (index[s] != graph_detail::npos) continue;
            index[s] = low[s] = counter++;
            open.push_back(s);
            calls.push_back(frame{s, arcs.start[s]});
            while (!calls.empty()) {
                frame& f = calls.back();
                const std::uint32_t v = f.node;
                if (f.next < arcs.start[v + 1]) {
                    const std::uint32_t w = arcs.node[f.next++];
                    if (index[w] == graph_detail::npos) {
                        index[w] = low[w] = counter++;
                        open.push_back(w);
                        calls.push_back(frame{w, arcs.start[w]}); // f is not used after this
                    } else if (comp[w] == graph_detail::npos) {
                        low[v] = std::min(low[v], index[w]); // w is still open
                    }
                    continue;
                }
                calls.pop_back();
                if (!calls.empty()) low[calls.back().node] = std::min(low[calls.back().node], low[v]);
                if (low[v] == index[v]) {
                    std::uint32_t w;
                    do {
                        w = open.back();
                        open.pop_back();
                        comp[w] = label;
                    } while (w != v);
                    ++label;
                }
            }
        }
        return label;
    }

    // Renumbers the search's labels by smallest member and groups the
    // members of each component, in ascending identifier order, by one walk
    // over the nodes in that order.
    void arrange(const std::vector<std::uint32_t>& raw, std::uint32_t rawCount)
    {
        const std::vector<std::uint32_t>& sorted = source_->sortedNodes();
        std::vector<std::uint32_t> renumbered(rawCount, graph_detail::npos);
        std::vector<std::uint32_t> sizes;
        sizes.reserve(rawCount);
        label_.resize(raw.size());
        for (const std::uint32_t v : sorted) {
            std::uint32_t& c = renumbered[raw[v]];
            if (c == graph_detail::npos) {
                c = static_cast<std::uint32_t>(sizes.size());
                sizes.push_back(0);
            }
            label_[v] = c;
            ++sizes[c];
        }
        start_.assign(sizes.size() + 1, 0);
        for (std::size_t c = 0; c < sizes.size(); ++c)
            start_[c + 1] = start_[c] + sizes[c];
        std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
        members_.resize(raw.size());
        slot_.resize(raw.size());
        for (const std::uint32_t v : sorted) {
            const std::uint32_t k = fill[label_[v]]++;
            members_[k] = v;
            slot_[v] = k;
        }
    }

    void countEdges()
    {
        edgeCount_.assign(start_.size() - 1, 0);
        const auto& ends = source_->ends_;
        for (std::size_t e = 0; e < ends.size(); ++e)
            if (label_[ends[e].a] == label_[ends[e].b]) ++edgeCount_[label_[ends[e].a]];
    }

    const graph_type* source_;
    std::vector<std::uint32_t> label_;     // node index -> component number
    std::vector<std::uint32_t> start_;     // component c's members: members_[start_[c] .. start_[c + 1])
    std::vector<std::uint32_t> members_;   // node indexes, by component, ascending identifier within one
    std::vector<std::uint32_t> slot_;      // node index -> its position in members_
    std::vector<std::uint32_t> edgeCount_; // adjacencies per component
};

template <typename V, typename W, typename I>
Components(const Graph<V, W, I>&, cc_type) -> Components<V, W, I>;

// Every component of one kind as a graph of its own, in component order.
template <typename V, typename W, typename I>
std::vector<std::unique_ptr<Graph<V, W, I>>> findCC(const Graph<V, W, I>& graph, cc_type type)
{
    const Components<V, W, I> split(graph, type);
    std::vector<std::unique_ptr<Graph<V, W, I>>> out;
    out.reserve(split.count());
    for (std::size_t c = 0; c < split.count(); ++c)
        out.push_back(split.graph(c));
    return out;
}
