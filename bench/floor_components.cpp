// The floor for meshprobe's load: the least a C++ program must do to answer
// the same question. It reads a graph file (HGR, HGR32, HDG or HDG32: header,
// node lines, the first eight fields of each edge line) in 64 KiB blocks,
// keeps each adjacency's ends, orientation and coverings in one flat array,
// builds a compressed adjacency array, and labels strongly connected
// (iterative Tarjan) and connected (breadth-first) components. No
// validation, no merging of repeated adjacencies, no listing order.
//
// usage: floor_components FILE   (prints the component counts to stderr)
// build: g++ -O3 -DNDEBUG -std=c++20 -o floor_components floor_components.cpp
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t none = 0xFFFFFFFFU;

class Lines {
public:
    explicit Lines(std::FILE* f) : file_(f), block_(1 << 16) {}
    bool next(std::string& line)
    {
        line.clear();
        for (;;) {
            if (pos_ == end_) {
                end_ = std::fread(block_.data(), 1, block_.size(), file_);
                pos_ = 0;
                if (end_ == 0) return !line.empty();
            }
            const char* start = block_.data() + pos_;
            const void* lf = std::memchr(start, '\n', end_ - pos_);
            if (lf != nullptr) {
                const auto n = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
                line.append(start, n);
                pos_ += n + 1;
                return true;
            }
            line.append(start, end_ - pos_);
            pos_ = end_;
        }
    }

private:
    std::FILE* file_;
    std::vector<char> block_;
    std::size_t pos_ = 0, end_ = 0;
};

// Unsigned or signed decimal field at p; advances p past it and one blank.
std::int64_t field(const char*& p)
{
    while (*p == ' ')
        ++p;
    bool negative = *p == '-';
    if (negative) ++p;
    std::int64_t v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10 + (*p++ - '0');
    return negative ? -v : v;
}

struct adjacency {
    std::uint64_t ip[2];
    std::uint32_t path[2];
    std::uint32_t a, b; // node indexes
    std::int8_t dir;
    bool oriented;
};

// Node identifier -> node index, open addressing.
class IdMap {
public:
    explicit IdMap(std::size_t n)
    {
        std::size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        keys_.assign(size, 0);
        values_.assign(size, none);
    }
    std::uint32_t& operator[](std::uint32_t key)
    {
        std::size_t i = (key * 0x9E3779B97F4A7C15ULL) >> (64 - std::__lg(keys_.size()));
        while (values_[i] != none && keys_[i] != key)
            i = (i + 1) & (keys_.size() - 1);
        keys_[i] = key;
        return values_[i];
    }

private:
    std::vector<std::uint32_t> keys_, values_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    std::FILE* f = std::fopen(argv[1], "r");
    if (f == nullptr) return 2;
    Lines in(f);
    std::string line;
    in.next(line); // type
    in.next(line);
    const long sources = std::stol(line);
    for (long i = 0; i < sources; ++i)
        in.next(line);
    in.next(line); // comment
    in.next(line);
    const auto n = static_cast<std::uint32_t>(std::stoul(line));
    in.next(line);
    const auto m = static_cast<std::uint32_t>(std::stoul(line));

    IdMap index(n);
    for (std::uint32_t v = 0; v < n && in.next(line); ++v) {
        const char* p = line.c_str();
        index[static_cast<std::uint32_t>(field(p))] = v;
    }
    std::vector<adjacency> edges;
    edges.reserve(m);
    std::vector<std::uint32_t> degree(n + 1, 0);
    while (edges.size() < m && in.next(line)) {
        const char* p = line.c_str();
        adjacency e{};
        e.a = index[static_cast<std::uint32_t>(field(p))];
        e.b = index[static_cast<std::uint32_t>(field(p))];
        e.oriented = field(p) != 0;
        e.dir = static_cast<std::int8_t>(field(p));
        e.path[0] = static_cast<std::uint32_t>(field(p));
        e.ip[0] = static_cast<std::uint64_t>(field(p));
        e.path[1] = static_cast<std::uint32_t>(field(p));
        e.ip[1] = static_cast<std::uint64_t>(field(p));
        ++degree[e.a];
        if (e.b != e.a) ++degree[e.b];
        edges.push_back(e);
    }
    std::fclose(f);

    // Compressed adjacency: node v's neighbours are adj[start[v] .. start[v + 1]),
    // each with the adjacency it came from.
    std::vector<std::uint32_t> start(n + 1, 0);
    for (std::uint32_t v = 0; v < n; ++v)
        start[v + 1] = start[v] + degree[v];
    struct entry {
        std::uint32_t other, edge;
    };
    std::vector<entry> adj(start[n]);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::uint32_t i = 0; i < edges.size(); ++i) {
        adj[fill[edges[i].a]++] = entry{edges[i].b, i};
        if (edges[i].b != edges[i].a) adj[fill[edges[i].b]++] = entry{edges[i].a, i};
    }
    // Followed forwards from v unless it points towards v.
    const auto forward = [&](std::uint32_t v, const entry& x) {
        const adjacency& e = edges[x.edge];
        const int dir = e.a == v ? e.dir : -e.dir;
        return dir != -1;
    };

    std::vector<std::uint32_t> scc(n, none), idx(n, none), low(n, 0), open;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
    std::uint32_t counter = 0, sccCount = 0;
    for (std::uint32_t s = 0; s < n; ++s) {
        if (idx[s] != none) continue;
        idx[s] = low[s] = counter++;
        open.push_back(s);
        calls.emplace_back(s, start[s]);
        while (!calls.empty()) {
            auto& [v, next] = calls.back();
            if (next < start[v + 1]) {
                const entry& x = adj[next++];
                if (!forward(v, x)) continue;
                const std::uint32_t w = x.other;
                if (idx[w] == none) {
                    idx[w] = low[w] = counter++;
                    open.push_back(w);
                    calls.emplace_back(w, start[w]);
                } else if (scc[w] == none) {
                    low[v] = std::min(low[v], idx[w]);
                }
                continue;
            }
            const std::uint32_t done = v;
            calls.pop_back();
            if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
            if (low[done] == idx[done]) {
                std::uint32_t w;
                do {
                    w = open.back();
                    open.pop_back();
                    scc[w] = sccCount;
                } while (w != done);
                ++sccCount;
            }
        }
    }

    std::vector<std::uint32_t> cc(n, none), queue;
    std::uint32_t ccCount = 0;
    for (std::uint32_t s = 0; s < n; ++s) {
        if (cc[s] != none) continue;
        cc[s] = ccCount;
        queue.assign(1, s);
        for (std::size_t h = 0; h < queue.size(); ++h)
            for (std::uint32_t k = start[queue[h]]; k < start[queue[h] + 1]; ++k)
                if (cc[adj[k].other] == none) {
                    cc[adj[k].other] = ccCount;
                    queue.push_back(adj[k].other);
                }
        ++ccCount;
    }
    std::fprintf(stderr, "floor: %u nodes, %zu adjacencies, %u SCCs, %u CCs\n", n, edges.size(), sccCount, ccCount);
    return 0;
}
