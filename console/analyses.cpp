// The analyses of the console: degrees, k-cores and customer cones listed
// per AS (dump) or as distributions (show), the report on one AS (inspect)
// and the valley-free test of a file of AS paths (valleyfree).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "common/decompress.h"
#include "common/interrupts.h"
#include "common/linereader.h"
#include "common/report.h"
#include "common/textblocks.h"
#include "console/commands.h"
#include "console/printing.h"
#include "graph/analyses.h"
#include "graph/components.h"

namespace {

constexpr const char* noRelationships = "Error: customer cones need a graph read from an AS-relationship file\n";
constexpr std::size_t membersPerLine = 10;
constexpr std::size_t largestConesShown = 10;
// Paths with thousands of prepended ASs exist; a longer line is read in pieces.
constexpr std::size_t pathLineLimit = std::size_t{1} << 20;

int widthOf(const console_state& state) { return static_cast<int>(asnumber::fieldWidth(state.graph->asRange())); }

// One degree measure: its name in the texts and where it is kept.
struct degree_measure {
    const char* unit;
    std::uint32_t as_degrees::*field;
};
constexpr degree_measure plainDegrees[] = {
    {"adjacencies", &as_degrees::total},
    {"incoming adjacencies", &as_degrees::in},
    {"outgoing adjacencies", &as_degrees::out},
};
constexpr degree_measure relationshipDegrees[] = {
    {"customers", &as_degrees::customers},
    {"providers", &as_degrees::providers},
    {"peers", &as_degrees::peers},
};

// The ASs of a graph by node number.
std::vector<asnum_t> asesOf(const measured_graph& graph)
{
    std::vector<asnum_t> ases;
    ases.reserve(graph.nodes());
    graph.forEachNode([&ases](const auto& n) { ases.push_back(n.id); });
    return ases;
}

// The distribution of one value per AS, then the first AS with the most.
// Values are counted in an array first: a value never exceeds the number of
// ASs, and the tree then takes one insertion per distinct value.
void showPerAS(std::span<const asnum_t> ases, const std::vector<std::uint32_t>& values, const char* label,
               const char* unit, const char* mostCaption)
{
    std::vector<std::uint64_t> tally;
    std::uint32_t most = 0;
    for (std::uint32_t v = 0; v < ases.size(); ++v) {
        if (values[v] >= tally.size()) tally.resize(values[v] + std::size_t{1}, 0);
        ++tally[values[v]];
        if (values[v] > values[most]) most = v;
    }
    CountDistribution counts;
    for (std::uint64_t value = 0; value < tally.size(); ++value)
        if (tally[value] != 0) counts.addItem(tally[value], value);
    printDistribution(counts, label, unit, false);
    if (!ases.empty() && mostCaption != nullptr)
        std::printf("%s%lu (%u)\n", mostCaption, static_cast<unsigned long>(ases[most]), values[most]);
}

void showDegrees(const measured_graph& graph, bool relationships)
{
    const std::vector<as_degrees> degrees = degreeTable(graph);
    const std::vector<asnum_t> ases = asesOf(graph);
    std::vector<std::uint32_t> values(ases.size());
    const auto show = [&](const degree_measure& m) {
        for (std::uint32_t v = 0; v < ases.size(); ++v)
            values[v] = degrees[v].*m.field;
        const std::string caption = std::string("First AS with the most ") + m.unit + ": ";
        showPerAS(ases, values, "ASs with", m.unit, caption.c_str());
    };
    for (const degree_measure& m : plainDegrees)
        show(m);
    if (relationships)
        for (const degree_measure& m : relationshipDegrees)
            show(m);
}

void printMembers(const std::vector<asnum_t>& members, int width)
{
    for (std::size_t i = 0; i < members.size(); ++i) {
        std::printf(" %*lu", width, static_cast<unsigned long>(members[i]));
        if ((i + 1) % membersPerLine == 0 || i + 1 == members.size()) std::fputc('\n', stdout);
    }
}

void showCores(const as_topology& t, int width)
{
    const std::vector<std::uint32_t> cores = coreNumbers(t);
    showPerAS(t.ases(), cores, "ASs with", "as core number", nullptr);
    if (t.size() == 0) return;
    const std::uint32_t innermost = *std::max_element(cores.begin(), cores.end());
    std::vector<asnum_t> members;
    for (std::uint32_t v = 0; v < t.size(); ++v)
        if (cores[v] == innermost) members.push_back(t.as(v));
    std::printf("Innermost core: %zu ASs with core number %u\n", members.size(), innermost);
    printMembers(members, width);
}

void showCones(const as_topology& t, int width)
{
    const std::vector<std::uint32_t> cones = coneSizes(t);
    showPerAS(t.ases(), cones, "ASs with a customer cone of", "ASs", nullptr);
    std::vector<std::uint32_t> order(t.size());
    for (std::uint32_t v = 0; v < t.size(); ++v)
        order[v] = v;
    const std::size_t shown = std::min(largestConesShown, order.size());
    // Node numbers follow the AS numbers: among equal cones the smaller AS comes first.
    std::partial_sort(
        order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
        [&cones](std::uint32_t a, std::uint32_t b) { return cones[a] > cones[b] || (cones[a] == cones[b] && a < b); });
    if (shown > 0) std::puts("Largest customer cones:");
    for (std::size_t i = 0; i < shown; ++i)
        std::printf("%*lu %10u ASs\n", width, static_cast<unsigned long>(t.as(order[i])), cones[order[i]]);
}

constexpr std::size_t valueWidth = 10;

void dumpValues(std::span<const asnum_t> ases, const std::vector<std::uint32_t>& values, std::size_t width)
{
    text_blocks out(stdout);
    for (std::uint32_t v = 0; v < ases.size() && !interruptPending(); ++v) {
        out.right(ases[v], width) << " ";
        out.right(values[v], valueWidth) << "\n";
    }
}

void dumpDegrees(const measured_graph& graph, bool relationships, std::size_t width)
{
    const std::vector<as_degrees> degrees = degreeTable(graph);
    const std::vector<asnum_t> ases = asesOf(graph);
    text_blocks out(stdout);
    for (std::uint32_t v = 0; v < ases.size() && !interruptPending(); ++v) {
        out.right(ases[v], width);
        const auto put = [&](const degree_measure& m) {
            out << " ";
            out.right(degrees[v].*m.field, valueWidth);
        };
        for (const degree_measure& m : plainDegrees)
            put(m);
        if (relationships)
            for (const degree_measure& m : relationshipDegrees)
                put(m);
        out << "\n";
    }
}

// What inspect calls the neighbours of each orientation, seen from the AS.
struct neighbour_group {
    edge_dir dir;
    const char* plain;
    const char* relationship;
};
constexpr neighbour_group neighbourGroups[] = {
    {INCOMING, "Incoming from", "Customers"},
    {OUTGOING, "Outgoing to", "Providers"},
    {UNDIRECTED, "Both ways", "Peers"},
};

void printNeighbours(const as_topology& t, std::uint32_t v, bool relationships, int width)
{
    for (const neighbour_group& g : neighbourGroups) {
        std::vector<asnum_t> members;
        const auto others = t.neighbours(v);
        const auto dirs = t.directions(v);
        for (std::size_t k = 0; k < others.size(); ++k)
            if (dirs[k] == g.dir) members.push_back(t.as(others[k]));
        std::printf("%s: %zu\n", relationships ? g.relationship : g.plain, members.size());
        printMembers(members, width);
    }
}

void printComponentOf(const char* name, const std::unique_ptr<ASComponents>& split, asnum_t as)
{
    const std::optional<std::size_t> c = split ? split->componentOf(as) : std::nullopt;
    if (c) std::printf("%s %zu with %u nodes and %u edges\n", name, *c + 1, split->nodes(*c), split->edges(*c));
}

// A file of paths as routesift writes them: one path per line, or its
// grouped lines (count, tags, path, prefixes separated by tabs).
std::string_view pathField(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return line;
    const std::size_t second = line.find('\t', tab + 1);
    if (second == std::string_view::npos) return {};
    const std::size_t third = line.find('\t', second + 1);
    return line.substr(second + 1, third == std::string_view::npos ? std::string_view::npos : third - second - 1);
}

// Appends the ASs of a path; false with the offending token when one is no
// AS number. Tokens are a few digits each: scanned in place, without a
// library search per token.
bool readPath(std::string_view text, std::vector<asnum_t>& into, std::string_view& bad)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (true) {
        while (p != end && *p == ' ')
            ++p;
        if (p == end) return true;
        const char* const token = p;
        while (p != end && *p != ' ')
            ++p;
        // No AS is numbered 0: the number stands for none.
        const asnum_t as = asnumber::parse({token, p}, asnumber::wideRange).value_or(0);
        if (as == 0) {
            bad = {token, p};
            return false;
        }
        into.push_back(as);
    }
}

struct valley_counts {
    std::uint64_t free = 0, valley = 0, unknown = 0, unread = 0;
};

// Paths are checked a batch at a time, and the links of each are asked for
// from memory as it is read: the links of a whole batch then arrive
// together, where one path's few links alone would leave the wait uncovered.
class valley_test {
public:
    valley_test(const link_index& links, bool detail) : links_(links), detail_(detail) {}

    // Reads the path of one line of the file (none from a blank line);
    // false when it is no path.
    bool add(std::uint64_t lineNumber, std::string_view text, std::string_view& bad)
    {
        const std::size_t begin = ases_.size();
        if (!readPath(text, ases_, bad)) {
            ases_.resize(begin);
            return false;
        }
        if (ases_.size() == begin) return true;
        const std::span<const asnum_t> path(ases_.data() + begin, ases_.size() - begin);
        prefetchLinks(links_, path);
        paths_.push_back(read_path{lineNumber, begin});
        if (paths_.size() == batchSize) run();
        return true;
    }

    // Checks the paths read so far, in order.
    void run()
    {
        for (std::size_t k = 0; k < paths_.size(); ++k) {
            const std::size_t end = k + 1 < paths_.size() ? paths_[k + 1].begin : ases_.size();
            const std::span<const asnum_t> path(ases_.data() + paths_[k].begin, end - paths_[k].begin);
            tally(paths_[k].line, path, checkPath(links_, path));
        }
        paths_.clear();
        ases_.clear();
    }

    valley_counts counts;

private:
    static constexpr std::size_t batchSize = 32;
    struct read_path {
        std::uint64_t line;
        std::size_t begin; // its first AS in ases_
    };

    void tally(std::uint64_t lineNumber, std::span<const asnum_t> path, const path_check& check)
    {
        if (check.verdict == VALLEY_FREE) {
            ++counts.free;
            return;
        }
        ++(check.verdict == VALLEY ? counts.valley : counts.unknown);
        if (!detail_) return;
        std::printf("Line %llu: %s %lu %lu\n", static_cast<unsigned long long>(lineNumber),
                    check.verdict == VALLEY ? "valley at" : "unknown link",
                    static_cast<unsigned long>(path[check.at - 1]), static_cast<unsigned long>(path[check.at]));
    }

    const link_index& links_;
    const bool detail_;
    std::vector<asnum_t> ases_; // the paths of the batch one after another
    std::vector<read_path> paths_;
};

valley_counts checkPaths(LineReader& lines, const link_index& links, bool detail)
{
    valley_test test(links, detail);
    std::string_view line;
    std::uint64_t lineNumber = 0;
    while (lines.next(pathLineLimit, line) && !interruptPending()) {
        ++lineNumber;
        std::string_view bad;
        if (test.add(lineNumber, pathField(line), bad)) continue;
        // The warning follows the verdicts of the lines before.
        test.run();
        ++test.counts.unread;
        if (detail)
            report(report_level::warning,
                   "Invalid AS number `" + std::string(bad) + "' on line " + std::to_string(lineNumber));
    }
    if (!interruptPending()) test.run();
    return test.counts;
}

} // namespace

void dumpMeasure(target_code property, const ASComponent& graph, const console_state& state)
{
    const bool relationships = state.graph->hasRelationships();
    const auto width = static_cast<std::size_t>(widthOf(state));
    if (property == T_VALENCY) {
        dumpDegrees(graph, relationships, width);
    } else if (property == T_CONES && !relationships) {
        reportError(noRelationships);
    } else {
        const as_topology t(graph);
        dumpValues(t.ases(), property == T_KCORES ? coreNumbers(t) : coneSizes(t), width);
    }
}

void showMeasure(target_code property, const ASComponent& graph, const console_state& state)
{
    const bool relationships = state.graph->hasRelationships();
    if (property == T_VALENCY) {
        showDegrees(graph, relationships);
    } else if (property == T_CONES && !relationships) {
        reportError(noRelationships);
    } else if (property == T_KCORES) {
        showCores(as_topology(graph), widthOf(state));
    } else {
        showCones(as_topology(graph), widthOf(state));
    }
}

void inspectAS(std::string_view text, const console_state& state)
{
    if (!state.graph) {
        reportError("There is no graph to currently work on\n");
        return;
    }
    const std::optional<asnum_t> as = asnumber::parse(text, asnumber::wideRange);
    const as_topology t(*state.graph);
    const std::optional<std::uint32_t> v = as ? t.find(*as) : std::nullopt;
    if (!v) {
        report(as ? "Error: AS " + std::string(text) + " is not in the graph"
                  : "Error: invalid AS number `" + std::string(text) + "'");
        return;
    }
    const bool relationships = state.graph->hasRelationships();
    const as_degrees d = degreeTable(*state.graph)[*v];
    std::printf("AS %lu\n", static_cast<unsigned long>(*as));
    std::printf("Adjacencies: %u (incoming %u, outgoing %u)\n", d.total, d.in, d.out);
    printNeighbours(t, *v, relationships, widthOf(state));
    printComponentOf("SCC", state.sccs, *as);
    printComponentOf("CC", state.ccs, *as);
    std::printf("Core number: %u\n", coreNumbers(t)[*v]);
    if (relationships)
        std::printf("Customer cone: %u ASs\n", coneSize(t, *v));
    else
        std::puts("Customer cone: unknown without relationships");
}

void checkValleys(std::string_view text, console_state& state)
{
    if (!state.graph) {
        reportError("There is no graph to currently work on\n");
        return;
    }
    if (!state.graph->hasRelationships()) {
        reportError("Error: the valley-free test needs a graph read from an AS-relationship file\n");
        return;
    }
    const bool detail = text.starts_with("-v ") && text.size() > 3;
    const std::string name(detail ? text.substr(3) : text);
    const std::unique_ptr<ByteSource> file = openInputFile(name.c_str());
    if (!file) {
        reportSystemError("Error: unable to open file `" + name + "' for reading", errno);
        return;
    }
    if (!state.links) state.links = std::make_unique<link_index>(*state.graph);
    LineReader lines(*file);
    const valley_counts counts = checkPaths(lines, *state.links, detail);
    if (interruptPending()) return;
    if (file->failed()) {
        report("Error: unable to read file `" + name + "'", file->failure());
        return;
    }
    const struct {
        const char* label;
        std::uint64_t count;
    } totals[] = {{"Valley-free paths:", counts.free},
                  {"Paths with a valley:", counts.valley},
                  {"Paths with unknown links:", counts.unknown},
                  {"Lines not read as paths:", counts.unread}};
    for (const auto& total : totals)
        std::printf("%-26s%10llu\n", total.label, static_cast<unsigned long long>(total.count));
}
