#include "graph/asgraph.h"

#include "graph/relationships.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "common/linereader.h"
#include "common/numberscan.h"
#include "graph/graphwriter.h"

namespace {

// Read limits of a graph file: the first two lines may hold 512 characters,
// every later one 511 (the line feed counts). A longer line is read in
// pieces, the rest counting as the next line.
constexpr std::size_t headerLineLimit = 512;
constexpr std::size_t bodyLineLimit = 511;
constexpr std::uint64_t maxSourceFiles = 65536;
constexpr std::uint64_t reservedNodesAtMost = std::uint64_t{1} << 20;
// Relationship lines are short, but their comments are free text: a generous
// limit keeps a long comment in one piece rather than turning its rest into
// a bad data line.
constexpr std::size_t relationshipLineLimit = 65536;
// Comment and blank lines before a relationship file's first relationship:
// real files have a few dozen. The bound makes a stream that never delivers
// a valid first line (a device, a pipe of blank lines) a refusal, not a hang.
constexpr std::uint64_t relationshipLeadAtMost = 65536;

// Lines of a graph or relationship file: at most `limit` characters, the
// line feed included, the rest of a longer line counting as the next one.
// The text of a line stops at its first carriage return, line feed or NUL.
class TextLines {
public:
    explicit TextLines(ByteSource& input) : reader(input, std::size_t{1} << 16) {}

    // False at the end of the input (or when it cannot be read further).
    bool next(std::size_t limit, std::string_view& line)
    {
        if (!piece(limit, line)) return false;
        line = text(line);
        return true;
    }
    // The same line as it comes, its line feed (if any) included.
    bool piece(std::size_t limit, std::string_view& raw) { return reader.next(limit, raw); }
    // The text of a line as it comes.
    std::string_view text(std::string_view raw) noexcept
    {
        std::size_t i = 0;
        while (i < raw.size() && raw[i] != '\n' && raw[i] != '\r' && raw[i] != '\0')
            ++i;
        nul = i < raw.size() && raw[i] == '\0';
        return raw.substr(0, i);
    }
    // The last line held a NUL character: no text file does, so the input
    // is binary (or a device such as /dev/zero that never ends).
    bool hadNul() const noexcept { return nul; }

private:
    LineReader reader;
    bool nul = false;
};

std::string quoted(std::string_view message, std::string_view text)
{
    std::string r;
    r.reserve(message.size() + text.size() + 1);
    r.append(message).append(text).push_back('\'');
    return r;
}

// Splits an edge line at blanks (runs of blanks and leading blanks allowed).
class FieldCursor {
public:
    explicit FieldCursor(std::string_view line) : rest_(line) {}
    std::optional<std::string_view> next() noexcept
    {
        const std::size_t start = rest_.find_first_not_of(' ');
        if (start == std::string_view::npos) return std::nullopt;
        rest_.remove_prefix(start);
        const std::size_t stop = std::min(rest_.find(' '), rest_.size());
        const std::string_view field = rest_.substr(0, stop);
        rest_.remove_prefix(stop);
        return field;
    }

private:
    std::string_view rest_;
};

// The eight fields of a normal graph's edge line (an edge_line, as the
// writer takes them) in the shape every writer gives them: plain digits (a
// direction may be "-1"), separated by blanks. Nearly every line of a big
// graph has that shape, so it is read in one pass; any other line goes
// through the careful field-by-field reading, which gives the same values
// where both apply and the error messages otherwise.
class PlainFields {
public:
    explicit PlainFields(std::string_view line) : p_(line.data()), end_(line.data() + line.size()) {}

    // The next field as at most maxDigits plain digits; none for any other shape.
    std::optional<std::uint64_t> digits(std::size_t maxDigits) noexcept
    {
        while (p_ != end_ && *p_ == ' ')
            ++p_;
        const char* start = p_;
        std::uint64_t value = 0;
        for (; p_ != end_; ++p_) {
            const auto digit = static_cast<unsigned>(*p_ - '0');
            if (digit > 9) break;
            value = value * 10 + digit;
        }
        const auto length = static_cast<std::size_t>(p_ - start);
        if (length == 0 || length > maxDigits || (p_ != end_ && *p_ != ' ')) return std::nullopt;
        return value;
    }
    // A direction: "-1", "0" or "1".
    std::optional<int> direction() noexcept
    {
        while (p_ != end_ && *p_ == ' ')
            ++p_;
        const bool negative = p_ != end_ && *p_ == '-';
        if (negative && (++p_ == end_ || *p_ == ' ')) return std::nullopt; // a lone "-"
        const std::optional<std::uint64_t> v = digits(1);
        if (!v || *v > 1 || (negative && *v == 0)) return std::nullopt;
        return negative ? -1 : static_cast<int>(*v);
    }

private:
    const char* p_;
    const char* end_;
};

std::optional<edge_line> plainEdgeLine(std::string_view line, asnumber::as_range range) noexcept
{
    PlainFields fields(line);
    edge_line e;
    const auto as = [&](asnum_t& out) {
        const std::optional<std::uint64_t> v = fields.digits(asnumber::maxDigits);
        if (!v || *v < 1 || *v > range.highest) return false;
        out = static_cast<asnum_t>(*v);
        return true;
    };
    // Nine digits fit any 32-bit counter, nineteen any 64-bit one.
    const auto path = [&](std::uint32_t& out) {
        const std::optional<std::uint64_t> v = fields.digits(9);
        if (v) out = static_cast<std::uint32_t>(*v);
        return v.has_value();
    };
    const auto ip = [&](std::uint64_t& out) {
        const std::optional<std::uint64_t> v = fields.digits(19);
        if (v) out = *v;
        return v.has_value();
    };
    if (!as(e.from) || !as(e.to)) return std::nullopt;
    const std::optional<std::uint64_t> flag = fields.digits(1);
    if (!flag || *flag > 1) return std::nullopt;
    e.oriented = *flag == 1;
    const std::optional<int> dir = fields.direction();
    if (!dir) return std::nullopt;
    e.direction = *dir;
    if (!path(e.paths) || !ip(e.addresses) || !path(e.reversePaths) || !ip(e.reverseAddresses)) return std::nullopt;
    return e;
}

// Plain adjacencies between their reading and their insertion, in order.
// Each one's second end is looked up a few lines ahead of its insertion and
// its node bookkeeping a few lines later, so that the insertion finds both
// in cache: those ends lie anywhere in tables larger than the caches.
class EdgePipeline {
public:
    explicit EdgePipeline(ASGraph& graph) : graph_(graph) {}
    EdgePipeline(const EdgePipeline&) = delete;
    EdgePipeline& operator=(const EdgePipeline&) = delete;

    void push(const edge_line& e)
    {
        if (count_ == depth) insertOldest();
        ring_[(head_ + count_) % depth] = e;
        ++count_;
        graph_.prefetchLookup(e.to);
        if (count_ > depth / 2) graph_.prefetchNode(ring_[(head_ + count_ - 1 - depth / 2) % depth].to);
    }
    // Inserts every adjacency still waiting.
    void flush()
    {
        while (count_ > 0)
            insertOldest();
    }

private:
    static constexpr std::size_t depth = 16;

    void insertOldest()
    {
        const edge_line& e = ring_[head_];
        ASEdgeWeight w;
        ASEdgeWeight r;
        w.oriented = r.oriented = e.oriented;
        w.pathCovering[0] = e.paths;
        w.ipCovering[0] = e.addresses;
        r.pathCovering[0] = e.reversePaths;
        r.ipCovering[0] = e.reverseAddresses;
        // An adjacency naming an AS that is not among the nodes is dropped.
        graph_.addEdge(e.from, e.to, ASGraph::valToDir(e.direction), w, r);
        head_ = (head_ + 1) % depth;
        --count_;
    }

    ASGraph& graph_;
    std::array<edge_line, depth> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

constexpr std::string_view msgAS = "Invalid AS number: `";
constexpr std::string_view msgFormat = "Invalid edge line format: `";

// The fields of an edge line in order: a normal graph's eight, then the
// fifteen a differential graph adds.
enum edge_slot : std::size_t {
    fromAS,
    toAS,
    oriented,
    direction,
    paths,
    addresses,
    reversePaths,
    reverseAddresses,
    cmpOriented0,
    cmpOriented1,
    cmpDir0,
    cmpDir1,
    paths1,
    addresses1,
    reversePaths1,
    reverseAddresses1,
    compared,
    incoming,
    outgoing,
    undirectedCount,
    unorientedCount,
    changes,
    stability,
    slotCount
};
constexpr std::size_t normalSlots = cmpOriented0;

enum class field_type { as, flag, integer, real };

// How one field is read and checked: an AS number in the graph's range, a
// flag ("0" or "1"), an integer from `lowest` to `highest`, or a finite real
// number. Every value outside is a load error that
// names the field and quotes the text.
struct edge_field {
    field_type type;
    std::int64_t lowest;
    std::uint64_t highest;
    std::string_view message;
};

constexpr std::uint64_t max16 = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint64_t max32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t max64 = std::numeric_limits<std::uint64_t>::max();
constexpr edge_field asField{field_type::as, 0, 0, msgAS};
constexpr edge_field flagField{field_type::flag, 0, 1, "Invalid edge direction flag: `"};
constexpr edge_field dirField{field_type::integer, -1, 1, "Invalid edge direction: `"};
constexpr edge_field pathField{field_type::integer, 0, max32, "Invalid path covering value: `"};
constexpr edge_field ipField{field_type::integer, 0, max64, "Invalid IP address covering value: `"};
constexpr edge_field counter(std::string_view message) { return {field_type::integer, 0, max16, message}; }

constexpr std::array<edge_field, slotCount> edgeFields{
    asField,
    asField,
    flagField,
    dirField,
    pathField,
    ipField,
    pathField,
    ipField,
    flagField,
    flagField,
    dirField,
    dirField,
    pathField,
    ipField,
    pathField,
    ipField,
    counter("Invalid compared graphs count value: `"),
    counter("Invalid value for number of incoming edges: `"),
    counter("Invalid value for number of outgoing edges: `"),
    counter("Invalid value for number of undirected edges: `"),
    counter("Invalid value for number of unoriented edges: `"),
    counter("Invalid value for number of orientation changes: `"),
    edge_field{field_type::real, 0, 0, "Invalid value for orientation stability: `"},
};

// An integer of a graph file from `lowest` to `highest`: leading white
// space and a sign allowed, as the C conversions read them, but a minus sign
// only where the field has negative values; a negative value is kept in
// two's complement. None for anything else, a value out of range included.
std::optional<std::uint64_t> graphInteger(std::string_view text, std::int64_t lowest, std::uint64_t highest) noexcept
{
    std::size_t pos = 0;
    while (pos < text.size() && numberscan::isSpace(text[pos]))
        ++pos;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '+' || negative)) ++pos;
    const std::uint64_t limit = negative ? 0 - static_cast<std::uint64_t>(lowest) : highest;
    const numberscan::digits_read r = numberscan::scanDigits<10>(text, pos, limit);
    if (r.count == 0 || r.saturated || pos != text.size()) return std::nullopt;
    return negative ? 0 - r.value : r.value;
}

// A count of a graph file's header; an empty line counts as 0.
std::optional<std::uint64_t> headerCount(std::string_view text, std::uint64_t highest) noexcept
{
    return text.empty() ? std::optional<std::uint64_t>(0) : graphInteger(text, 0, highest);
}

// A real field: strtof needs a terminated text; the field is short-lived and
// small. A stability of nan or inf would turn every average of the graph
// into nan or inf, so only finite numbers are taken.
std::optional<float> realField(std::string_view text)
{
    const std::string terminated(text);
    char* end = nullptr;
    const float value = std::strtof(terminated.c_str(), &end);
    if (terminated.empty() || end != terminated.c_str() + terminated.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// An edge line's values, by slot.
struct edge_values {
    std::array<std::uint64_t, slotCount> value{};
    float real = 0.0F;

    std::uint32_t u32(edge_slot s) const noexcept { return static_cast<std::uint32_t>(value[s]); }
    std::uint16_t u16(edge_slot s) const noexcept { return static_cast<std::uint16_t>(value[s]); }
    bool flag(edge_slot s) const noexcept { return value[s] == 1; }
    edge_dir dir(edge_slot s) const noexcept { return ASGraph::valToDir(static_cast<std::int64_t>(value[s])); }
};

// The two directions' weights of an edge line. They are mirrored: same
// flags, counters and stability, reversed compared orientations, swapped
// incoming and outgoing counts; the coverings are each direction's own.
void weightsOf(const edge_values& v, bool differential, ASEdgeWeight& w, ASEdgeWeight& r) noexcept
{
    w.oriented = r.oriented = v.flag(oriented);
    w.pathCovering[0] = v.u32(paths);
    w.ipCovering[0] = v.value[addresses];
    r.pathCovering[0] = v.u32(reversePaths);
    r.ipCovering[0] = v.value[reverseAddresses];
    if (!differential) return;
    for (std::size_t g = 0; g < 2; ++g) {
        w.cmpOriented[g] = r.cmpOriented[g] = v.flag(static_cast<edge_slot>(cmpOriented0 + g));
        w.cmpDir[g] = v.dir(static_cast<edge_slot>(cmpDir0 + g));
        r.cmpDir[g] = reverse(w.cmpDir[g]);
    }
    w.pathCovering[1] = v.u32(paths1);
    w.ipCovering[1] = v.value[addresses1];
    r.pathCovering[1] = v.u32(reversePaths1);
    r.ipCovering[1] = v.value[reverseAddresses1];
    w.comparedGraphs = r.comparedGraphs = v.u16(compared);
    w.incomingCount = r.outgoingCount = v.u16(incoming);
    w.outgoingCount = r.incomingCount = v.u16(outgoing);
    w.undirectedCount = r.undirectedCount = v.u16(undirectedCount);
    w.unorientedCount = r.unorientedCount = v.u16(unorientedCount);
    w.orientationChanges = r.orientationChanges = v.u16(changes);
    w.orientationStability = r.orientationStability = v.real;
}

// The type a graph file's first line names, if it names one.
struct file_type {
    bool differential;
    bool wide;
};

// The distinct ASs of the relationships, ascending. Half a million lines
// name some eighty thousand ASs: each is marked in a table of the 16-bit
// ones or found among the others as they come, and only the distinct ones
// are sorted, which is much faster than sorting every end.
template <typename Relationships>
std::vector<asnum_t> distinctAses(const Relationships& read)
{
    std::vector<std::uint8_t> narrow(std::size_t{asnumber::classicRange.highest} + 1, 0);
    graph_detail::basic_index_map<asnum_t> seen;
    std::vector<asnum_t> wide;
    const auto note = [&](asnum_t as) {
        if (!asnumber::needs32Bits(as)) {
            narrow[as] = 1;
        } else if (seen.find(as) == graph_detail::npos) {
            seen.insert(as, 0);
            wide.push_back(as);
        }
    };
    for (const as_relationship& r : read) {
        note(r.first);
        note(r.second);
    }
    std::vector<asnum_t> spare(wide.size());
    graph_detail::countingSort(wide, spare, std::size_t{1} << 16, [](asnum_t as) { return as & 0xFFFFU; });
    graph_detail::countingSort(wide, spare, std::size_t{1} << 16, [](asnum_t as) { return as >> 16; });
    std::vector<asnum_t> ases;
    ases.reserve(wide.size() + narrow.size());
    for (asnum_t as = 1; as < narrow.size(); ++as)
        if (narrow[as] != 0) ases.push_back(as);
    ases.insert(ases.end(), wide.begin(), wide.end());
    return ases;
}

std::optional<file_type> fileTypeOf(std::string_view marker) noexcept
{
    const bool wide = marker.ends_with(ASGraph::wideSuffix);
    if (wide) marker.remove_suffix(ASGraph::wideSuffix.size());
    if (marker == ASGraph::graphMarker) return file_type{false, wide};
    if (marker == ASGraph::diffGraphMarker) return file_type{true, wide};
    return std::nullopt;
}

} // namespace

int ASGraph::dirToVal(edge_dir dir) noexcept
{
    switch (dir) {
    case INCOMING: return -1;
    case OUTGOING: return 1;
    default: return 0;
    }
}

edge_dir ASGraph::valToDir(long value) noexcept
{
    if (value == -1) return INCOMING;
    if (value == 1) return OUTGOING;
    return UNDIRECTED;
}

void ASGraph::setSourceFiles(const std::vector<std::string>& names, bool replace)
{
    if (replace) sourceFiles.clear();
    sourceFiles.insert(sourceFiles.end(), names.begin(), names.end());
}

void ASGraph::setSourceFiles(std::span<const char* const> slots, bool replace)
{
    if (replace) sourceFiles.clear();
    for (const char* name : slots.first(std::min(slots.size(), sourceFileSlots)))
        if (name != nullptr) sourceFiles.emplace_back(name);
}

void ASGraph::setComment(std::string_view text)
{
    comment.assign(text.substr(0, std::min(text.size(), maxCommentLength)));
}

bool ASGraph::fail(std::string reason)
{
    errorReason = std::move(reason);
    return false;
}

bool ASGraph::readFromFile(std::FILE* file, std::string_view name)
{
    StreamSource input(file, false, StreamSource::pacing::blocks);
    return readFromFile(input, name);
}

bool ASGraph::readFromFile(ByteSource& input, std::string_view name)
{
    errorReason.clear();
    TextLines reader(input);
    std::string_view line;

    if (!reader.next(headerLineLimit, line)) return fail("Could not retrieve file type string");
    if (const std::optional<file_type> type = fileTypeOf(line)) {
        differential = type->differential;
        wide = type->wide;
        return readGraphFile(reader);
    }
    // Not a graph file: a relationship file when the first line that is not
    // a comment (nor empty) holds a '|'. Otherwise the first line is what is
    // wrong with it.
    const std::string first(line);
    std::uint64_t lineNumber = 1;
    while (!reader.hadNul() && lineNumber <= relationshipLeadAtMost && (line.empty() || isRelationshipComment(line))) {
        ++lineNumber;
        if (!reader.next(relationshipLineLimit, line)) break;
    }
    if (!reader.hadNul() && looksLikeRelationship(line)) return readRelationships(reader, line, lineNumber, name);
    return fail(quoted("Invalid file type string: `", first));
}

template <typename Lines>
bool ASGraph::readRelationships(Lines& reader, std::string_view line, std::uint64_t lineNumber, std::string_view name)
{
    differential = false;
    relationships = true;
    sourceFiles.emplace_back(name);
    relationship_list read;
    std::string reason;
    // Comments, blank lines, and what is wrong with a line.
    const auto careful = [&](std::string_view text) {
        // A NUL ends the text: the rest is binary, or a device that never ends.
        if (reader.hadNul()) {
            reason = "Invalid relationship line format on line " + std::to_string(lineNumber) + ": `" +
                     std::string(text) + "'";
            return false;
        }
        if (text.empty() || isRelationshipComment(text)) return true;
        const std::optional<as_relationship> rel = parseRelationship(text, lineNumber, reason);
        if (rel) read.push_back(*rel);
        return rel.has_value();
    };
    bool complete = careful(line);
    // Nearly every line is a plain relationship, read in one pass as it comes.
    std::string_view raw;
    while (complete && (++lineNumber, reader.piece(relationshipLineLimit, raw))) {
        if (const std::optional<as_relationship> rel = plainRelationship(raw))
            read.push_back(*rel);
        else
            complete = careful(reader.text(raw));
    }
    addRelationships(read);
    return complete || fail(std::move(reason));
}

void ASGraph::addRelationships(const relationship_list& read)
{
    // Nodes are added in ascending order: the graph then lists them without
    // sorting, and puts the adjacencies in listing order by their places.
    const std::vector<asnum_t> ases = distinctAses(read);
    reserveNodes(ases.size());
    for (const asnum_t as : ases) {
        wide = wide || asnumber::needs32Bits(as);
        addNode(as, as);
    }
    // Every relationship is a known orientation; coverings are not part of
    // the format and stay 0.
    ASEdgeWeight known;
    known.oriented = true;
    // A customer's adjacency points to its provider; peers use theirs both ways.
    addEdgesSharing(
        read,
        [](const as_relationship& r) {
            return r.peers ? edge_item{r.first, r.second, UNDIRECTED} : edge_item{r.second, r.first, OUTGOING};
        },
        known, known);
}

template <typename Lines>
bool ASGraph::readGraphFile(Lines& reader)
{
    std::string_view line;
    if (!reader.next(headerLineLimit, line)) return fail("Could not retrieve number of source files");
    const std::optional<std::uint64_t> fileCount = graphInteger(line, 0, maxSourceFiles);
    if (!fileCount || *fileCount < 1) return fail(quoted("Invalid number of source files: `", line));
    for (std::uint64_t i = 0; i < *fileCount; ++i) {
        if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve all the source file names");
        sourceFiles.emplace_back(line);
    }

    if (!reader.next(bodyLineLimit, line)) return fail("Unable to retrieve graph description string");
    setComment(line);

    // The declared counts only bound the loops below: a file that claims
    // more than it holds ends at end of input, with nothing allocated for it.
    if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve number of nodes");
    const std::optional<std::uint64_t> nodeCount = headerCount(line, max64);
    if (!nodeCount) return fail(quoted("Invalid number of nodes: `", line));
    if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve number of edges");
    const std::optional<std::uint64_t> edgeCount = headerCount(line, max64);
    if (!edgeCount) return fail(quoted("Invalid number of edges: `", line));

    // Reserving address space for the declared nodes fills nothing, so a
    // false count costs no memory; the bound keeps even that small.
    reserveNodes(static_cast<std::size_t>(std::min<std::uint64_t>(*nodeCount, reservedNodesAtMost)));
    for (std::uint64_t i = 0; i < *nodeCount; ++i) {
        if (!reader.next(bodyLineLimit, line)) return fail("Unable to retrieve all the nodes");
        const std::optional<asnum_t> as = asnumber::parse(line, asRange());
        if (!as) return fail(quoted(msgAS, line));
        addNode(*as, *as); // a repeated AS number is ignored
    }
    // Whatever comes before a failing line stays in the graph, so the
    // pipeline is emptied before every other way out.
    EdgePipeline plain(*this);
    for (std::uint64_t i = 0; i < *edgeCount; ++i) {
        if (!reader.next(bodyLineLimit, line)) {
            plain.flush();
            return fail("Unable to retrieve all the edges");
        }
        if (!differential) {
            if (const std::optional<edge_line> e = plainEdgeLine(line, asRange())) {
                plain.push(*e);
                continue;
            }
        }
        plain.flush();
        if (!readEdgeLine(line)) return false;
    }
    plain.flush();
    return true;
}

bool ASGraph::readEdgeLine(std::string_view line)
{
    FieldCursor fields(line);
    edge_values v;
    const std::size_t count = differential ? slotCount : normalSlots;
    for (std::size_t slot = 0; slot < count; ++slot) {
        const std::optional<std::string_view> f = fields.next();
        if (!f) return fail(quoted(msgFormat, line));
        const edge_field& field = edgeFields[slot];
        bool ok = true;
        if (field.type == field_type::as) {
            const std::optional<asnum_t> as = asnumber::parse(*f, asRange());
            ok = as.has_value();
            v.value[slot] = as.value_or(0);
        } else if (field.type == field_type::flag) {
            ok = *f == "0" || *f == "1";
            v.value[slot] = *f == "1" ? 1 : 0;
        } else if (field.type == field_type::integer) {
            const std::optional<std::uint64_t> n = graphInteger(*f, field.lowest, field.highest);
            ok = n.has_value();
            v.value[slot] = n.value_or(0);
        } else {
            const std::optional<float> x = realField(*f);
            ok = x.has_value();
            v.real = x.value_or(0.0F);
        }
        if (!ok) return fail(quoted(field.message, *f));
    }
    ASEdgeWeight w;
    ASEdgeWeight r;
    weightsOf(v, differential, w, r);
    // An adjacency naming an AS that is not among the nodes is dropped.
    addEdge(static_cast<asnum_t>(v.value[fromAS]), static_cast<asnum_t>(v.value[toAS]), v.dir(direction), w, r);
    return true;
}

namespace {

// The fields a differential graph's edge line adds. Rare enough (graphs
// compared by an earlier tool) to be left to printf, whose %f the stability
// field has always had; the longest float in %f takes 47 characters, so the
// whole text always fits.
std::string differentialFields(const ASEdgeWeight& w, const ASEdgeWeight& r)
{
    char text[256];
    const int length = std::snprintf(
        text, sizeof text, " %i %i %i %i %lu %llu %lu %llu %hu %hu %hu %hu %hu %hu %f", w.cmpOriented[0] ? 1 : 0,
        w.cmpOriented[1] ? 1 : 0, ASGraph::dirToVal(w.cmpDir[0]), ASGraph::dirToVal(w.cmpDir[1]),
        static_cast<unsigned long>(w.pathCovering[1]), static_cast<unsigned long long>(w.ipCovering[1]),
        static_cast<unsigned long>(r.pathCovering[1]), static_cast<unsigned long long>(r.ipCovering[1]),
        w.comparedGraphs, w.incomingCount, w.outgoingCount, w.undirectedCount, w.unorientedCount, w.orientationChanges,
        static_cast<double>(w.orientationStability));
    return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

} // namespace

bool ASGraph::writeToFile(std::FILE* file)
{
    errorReason.clear();
    // A 16-bit marker over an AS above 65535 would make a file that cannot be
    // read back, so such a graph is always written as 32-bit.
    bool wideFile = wide;
    if (!wideFile)
        forEachNode([&wideFile](const node_listing& n) { wideFile = wideFile || asnumber::needs32Bits(n.id); });
    GraphFileWriter out(file, GraphFileWriter::pacing::eachLine);
    if (!out.marker(differential, wideFile)) return fail("Could not write file type string");
    if (!out.number(sourceFiles.size())) return fail("Could not write number of source files");
    for (const std::string& name : sourceFiles)
        if (!out.text(name)) return fail("Unable to write source file names");
    if (!out.text(comment)) return fail("Could not write comment");
    if (!out.number(nodes())) return fail("Could not write number of nodes");
    if (!out.number(edges())) return fail("Could not write number of edges");

    bool ok = true;
    forEachNode([&](const node_listing& n) {
        if (ok && !out.number(*n.value)) ok = fail("Could not write node " + std::to_string(n.id));
    });
    if (!ok) return false;

    std::string rest;
    forEachEdge([&](const edge_listing& e) {
        if (!ok) return;
        const ASEdgeWeight& w = *e.weight;
        const ASEdgeWeight& r = *e.reverseWeight;
        if (differential) rest = differentialFields(w, r);
        const edge_line fields{e.from.id,         e.to.id,         w.oriented,        dirToVal(*e.dir),
                               w.pathCovering[0], w.ipCovering[0], r.pathCovering[0], r.ipCovering[0]};
        if (!out.edge(fields, rest))
            ok = fail("Could not write edge " + std::to_string(e.from.id) + " " + std::to_string(e.to.id));
    });
    return ok;
}
