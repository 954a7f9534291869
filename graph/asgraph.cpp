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
#include "graph/graphwriter.h"

namespace {

// Read limits of a graph file: the first two lines may hold 512 characters,
// every later one 511 (the line feed counts). A longer line is read in
// pieces, the rest counting as the next line.
constexpr std::size_t headerLineLimit = 512;
constexpr std::size_t bodyLineLimit = 511;
constexpr long maxSourceFiles = 65536;
constexpr std::uint64_t reservedNodesAtMost = std::uint64_t{1} << 20;
// Relationship lines are short, but their comments are free text: a generous
// limit keeps a long comment in one piece rather than turning its rest into
// a bad data line.
constexpr std::size_t relationshipLineLimit = 65536;

// Lines of a graph or relationship file: at most `limit` characters, the
// line feed included, the rest of a longer line counting as the next one.
// The text of a line stops at its first carriage return, line feed or NUL.
class TextLines {
public:
    explicit TextLines(ByteSource& input) : reader(input, std::size_t{1} << 16) {}

    // False at the end of the input (or when it cannot be read further).
    bool next(std::size_t limit, std::string_view& line) {
        if (!reader.next(limit, line)) return false;
        std::size_t i = 0;
        while (i < line.size() && line[i] != '\n' && line[i] != '\r' && line[i] != '\0') ++i;
        line = line.substr(0, i);
        return true;
    }

private:
    LineReader reader;
};

bool isSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number in the manner of the C conversions: leading white space,
// an optional sign, digits. `end` is where the number stops (0 when there
// are no digits at all, so an empty text counts as wholly used). The
// magnitude saturates at `limit`.
struct scanned {
    bool negative = false;
    bool saturated = false;
    std::uint64_t magnitude = 0;
    std::size_t end = 0;
};

scanned scanDecimal(std::string_view text, std::uint64_t limit) noexcept {
    scanned r;
    // Fast path for the usual field: up to nine plain digits, which no limit
    // in use can overflow.
    if (!text.empty() && text.size() <= 9) {
        std::uint64_t value = 0;
        std::size_t i = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (i == text.size() && value <= limit) {
            r.magnitude = value;
            r.end = i;
            return r;
        }
    }
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto d = static_cast<std::uint64_t>(text[i] - '0');
        if (r.saturated || r.magnitude > (limit - d) / 10) {
            r.saturated = true;
            r.magnitude = limit;
        } else {
            r.magnitude = r.magnitude * 10 + d;
        }
    }
    r.end = i == digits ? 0 : i;
    if (i == digits) r.negative = false;
    return r;
}

// strtol semantics: the signed value clamped to the range of long.
std::optional<long> wholeSigned(std::string_view text) noexcept {
    const scanned s = scanDecimal(text, static_cast<std::uint64_t>(std::numeric_limits<long>::max()) + 1);
    if (s.end != text.size()) return std::nullopt;
    if (s.negative) return s.magnitude > static_cast<std::uint64_t>(std::numeric_limits<long>::max())
                               ? std::numeric_limits<long>::min()
                               : -static_cast<long>(s.magnitude);
    return s.magnitude > static_cast<std::uint64_t>(std::numeric_limits<long>::max())
               ? std::numeric_limits<long>::max()
               : static_cast<long>(s.magnitude);
}

// Unsigned conversion of the given width: a minus sign negates modulo 2^bits,
// a magnitude beyond the width gives the largest value.
std::optional<std::uint64_t> wholeUnsigned(std::string_view text, unsigned bits) noexcept {
    const std::uint64_t max = bits >= 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << bits) - 1;
    const scanned s = scanDecimal(text, max);
    if (s.end != text.size()) return std::nullopt;
    if (s.saturated) return max;
    return s.negative ? (0 - s.magnitude) & max : s.magnitude;
}

std::string quoted(std::string_view message, std::string_view text) {
    std::string r;
    r.reserve(message.size() + text.size() + 1);
    r.append(message).append(text).push_back('\'');
    return r;
}

// Splits an edge line at blanks (runs of blanks and leading blanks allowed).
class FieldCursor {
public:
    explicit FieldCursor(std::string_view line) : rest_(line) {}
    std::optional<std::string_view> next() noexcept {
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
    std::optional<std::uint64_t> digits(std::size_t maxDigits) noexcept {
        while (p_ != end_ && *p_ == ' ') ++p_;
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
    std::optional<int> direction() noexcept {
        while (p_ != end_ && *p_ == ' ') ++p_;
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

std::optional<edge_line> plainEdgeLine(std::string_view line, asnumber::as_range range) noexcept {
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
    if (!path(e.paths) || !ip(e.addresses) || !path(e.reversePaths) || !ip(e.reverseAddresses))
        return std::nullopt;
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

    void push(const edge_line& e) {
        if (count_ == depth) insertOldest();
        ring_[(head_ + count_) % depth] = e;
        ++count_;
        graph_.prefetchLookup(e.to);
        if (count_ > depth / 2) graph_.prefetchNode(ring_[(head_ + count_ - 1 - depth / 2) % depth].to);
    }
    // Inserts every adjacency still waiting.
    void flush() {
        while (count_ > 0) insertOldest();
    }

private:
    static constexpr std::size_t depth = 16;

    void insertOldest() {
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
constexpr std::string_view msgFlag = "Invalid edge direction flag: `";
constexpr std::string_view msgDir = "Invalid edge direction: `";
constexpr std::string_view msgPath = "Invalid path covering value: `";
constexpr std::string_view msgIP = "Invalid IP address covering value: `";
constexpr std::string_view msgCompared = "Invalid compared graphs count value: `";
constexpr std::string_view msgIncoming = "Invalid value for number of incoming edges: `";
constexpr std::string_view msgOutgoing = "Invalid value for number of outgoing edges: `";
constexpr std::string_view msgUndirected = "Invalid value for number of undirected edges: `";
constexpr std::string_view msgUnoriented = "Invalid value for number of unoriented edges: `";
constexpr std::string_view msgChanges = "Invalid value for number of orientation changes: `";
constexpr std::string_view msgStability = "Invalid value for orientation stability: `";
constexpr std::string_view msgFormat = "Invalid edge line format: `";

// The type a graph file's first line names, if it names one.
struct file_type {
    bool differential;
    bool wide;
};

// Sorts by a 32-bit key, keeping the order of equal keys: two counting
// passes over 16-bit digits, several times faster than comparison sorting
// on the hundreds of thousands of lines of a relationship file.
template <typename T, typename Key>
void sortByKey(std::vector<T>& items, Key key) {
    std::vector<T> sorted(items.size());
    std::vector<std::uint32_t> place(std::size_t{1} << 16);
    for (const unsigned shift : {0U, 16U}) {
        std::fill(place.begin(), place.end(), 0);
        for (const T& item : items) ++place[(key(item) >> shift) & 0xFFFFU];
        std::uint32_t next = 0;
        for (std::uint32_t& p : place) next += std::exchange(p, next);
        for (const T& item : items) sorted[place[(key(item) >> shift) & 0xFFFFU]++] = item;
        items.swap(sorted);
    }
}

std::optional<file_type> fileTypeOf(std::string_view marker) noexcept {
    const bool wide = marker.ends_with(ASGraph::wideSuffix);
    if (wide) marker.remove_suffix(ASGraph::wideSuffix.size());
    if (marker == ASGraph::graphMarker) return file_type{false, wide};
    if (marker == ASGraph::diffGraphMarker) return file_type{true, wide};
    return std::nullopt;
}

} // namespace

int ASGraph::dirToVal(edge_dir dir) noexcept {
    switch (dir) {
    case INCOMING: return -1;
    case OUTGOING: return 1;
    default: return 0;
    }
}

edge_dir ASGraph::valToDir(long value) noexcept {
    if (value == -1) return INCOMING;
    if (value == 1) return OUTGOING;
    return UNDIRECTED;
}

void ASGraph::setSourceFiles(const std::vector<std::string>& names, bool replace) {
    if (replace) sourceFiles.clear();
    sourceFiles.insert(sourceFiles.end(), names.begin(), names.end());
}

void ASGraph::setSourceFiles(std::span<const char* const> slots, bool replace) {
    if (replace) sourceFiles.clear();
    for (const char* name : slots.first(std::min(slots.size(), sourceFileSlots)))
        if (name != nullptr) sourceFiles.emplace_back(name);
}

void ASGraph::setComment(std::string_view text) {
    comment.assign(text.substr(0, std::min(text.size(), maxCommentLength)));
}

bool ASGraph::fail(std::string reason) {
    errorReason = std::move(reason);
    return false;
}

bool ASGraph::readFromFile(std::FILE* file, std::string_view name) {
    StreamSource input(file, false, StreamSource::pacing::blocks);
    return readFromFile(input, name);
}

bool ASGraph::readFromFile(ByteSource& input, std::string_view name) {
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
    while (line.empty() || isRelationshipComment(line)) {
        ++lineNumber;
        if (!reader.next(relationshipLineLimit, line)) break;
    }
    if (looksLikeRelationship(line)) return readRelationships(reader, line, lineNumber, name);
    return fail(quoted("Invalid file type string: `", first));
}

template <typename Lines>
bool ASGraph::readRelationships(Lines& reader, std::string_view line, std::uint64_t lineNumber,
                                std::string_view name) {
    differential = false;
    relationships = true;
    sourceFiles.emplace_back(name);
    std::vector<as_relationship> read;
    std::string reason;
    bool complete = true;
    do {
        if (line.empty() || isRelationshipComment(line)) continue;
        const std::optional<as_relationship> rel = parseRelationship(line, lineNumber, reason);
        if (!rel) {
            complete = false;
            break;
        }
        read.push_back(*rel);
    } while (++lineNumber, reader.next(relationshipLineLimit, line));
    addRelationships(read);
    return complete || fail(std::move(reason));
}

void ASGraph::addRelationships(std::vector<as_relationship>& read) {
    // Relationship files come in any order. The graph is built much faster
    // from nodes in ascending order and adjacencies in listing order (by
    // smaller end, then by the other): no adjacency then needs looking up
    // and no neighbour list needs sorting. Adjacencies declared twice merge
    // the same way in any order.
    std::vector<asnum_t> ases;
    ases.reserve(2 * read.size());
    for (const as_relationship& r : read) {
        ases.push_back(r.first);
        ases.push_back(r.second);
    }
    sortByKey(ases, [](asnum_t as) { return as; });
    ases.erase(std::unique(ases.begin(), ases.end()), ases.end());
    reserveNodes(ases.size());
    for (const asnum_t as : ases) {
        wide = wide || asnumber::needs32Bits(as);
        addNode(as, as);
    }
    // By the larger end, then (the sort keeps that order among equals) by the smaller.
    sortByKey(read, [](const as_relationship& r) { return std::max(r.first, r.second); });
    sortByKey(read, [](const as_relationship& r) { return std::min(r.first, r.second); });
    // Every relationship is a known orientation; coverings are not part of
    // the format and stay 0.
    ASEdgeWeight known;
    known.oriented = true;
    // A customer's adjacency points to its provider; peers use theirs both ways.
    for (const as_relationship& r : read) {
        if (r.peers)
            addEdge(r.first, r.second, UNDIRECTED, known, known);
        else
            addEdge(r.second, r.first, OUTGOING, known, known);
    }
}

template <typename Lines>
bool ASGraph::readGraphFile(Lines& reader) {
    std::string_view line;
    if (!reader.next(headerLineLimit, line)) return fail("Could not retrieve number of source files");
    const std::optional<long> fileCount = wholeSigned(line);
    if (!fileCount || *fileCount < 1 || *fileCount > maxSourceFiles)
        return fail(quoted("Invalid number of source files: `", line));
    for (long i = 0; i < *fileCount; ++i) {
        if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve all the source file names");
        sourceFiles.emplace_back(line);
    }

    if (!reader.next(bodyLineLimit, line)) return fail("Unable to retrieve graph description string");
    setComment(line);

    // The declared counts only bound the loops below: a file that claims
    // more than it holds ends at end of input, with nothing allocated for it.
    if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve number of nodes");
    const std::optional<std::uint64_t> nodeCount = wholeUnsigned(line, 64);
    if (!nodeCount) return fail(quoted("Invalid number of nodes: `", line));
    if (!reader.next(bodyLineLimit, line)) return fail("Could not retrieve number of edges");
    const std::optional<std::uint64_t> edgeCount = wholeUnsigned(line, 64);
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

bool ASGraph::readEdgeLine(std::string_view line) {
    FieldCursor fields(line);
    std::string_view f;
    // Each step takes the next field or fails the whole line as too short.
    const auto take = [&]() {
        const std::optional<std::string_view> next = fields.next();
        if (next) f = *next;
        return next.has_value();
    };
    const auto flag = [&](bool& out) {
        if (f != "0" && f != "1") return false;
        out = f == "1";
        return true;
    };
    const auto direction = [&](edge_dir& out) {
        const std::optional<long> v = wholeSigned(f);
        if (!v || *v < -1 || *v > 1) return false;
        out = valToDir(*v);
        return true;
    };
    const auto unsigned32 = [&](std::uint32_t& out) {
        const std::optional<std::uint64_t> v = wholeUnsigned(f, 32);
        if (v) out = static_cast<std::uint32_t>(*v);
        return v.has_value();
    };
    const auto unsigned64 = [&](std::uint64_t& out) {
        const std::optional<std::uint64_t> v = wholeUnsigned(f, 64);
        if (v) out = *v;
        return v.has_value();
    };
    // Counters are converted as 32-bit values and kept in 16 bits.
    const auto counter = [&](std::uint16_t& out) {
        std::uint32_t v = 0;
        if (!unsigned32(v)) return false;
        out = static_cast<std::uint16_t>(v);
        return true;
    };
    const auto bad = [&](std::string_view message) { return fail(quoted(message, f)); };
    const auto badFormat = [&]() { return fail(quoted(msgFormat, line)); };

    ASEdgeWeight w;
    ASEdgeWeight r;
    edge_dir dir = UNDIRECTED;

    if (!take()) return badFormat();
    const std::optional<asnum_t> first = asnumber::parse(f, asRange());
    if (!first) return bad(msgAS);
    if (!take()) return badFormat();
    const std::optional<asnum_t> second = asnumber::parse(f, asRange());
    if (!second) return bad(msgAS);
    if (!take()) return badFormat();
    if (!flag(w.oriented)) return bad(msgFlag);
    r.oriented = w.oriented;
    if (!take()) return badFormat();
    if (!direction(dir)) return bad(msgDir);
    if (!take()) return badFormat();
    if (!unsigned32(w.pathCovering[0])) return bad(msgPath);
    if (!take()) return badFormat();
    if (!unsigned64(w.ipCovering[0])) return bad(msgIP);
    if (!take()) return badFormat();
    if (!unsigned32(r.pathCovering[0])) return bad(msgPath);
    if (!take()) return badFormat();
    if (!unsigned64(r.ipCovering[0])) return bad(msgIP);

    if (differential) {
        for (std::size_t g = 0; g < 2; ++g) {
            if (!take()) return badFormat();
            if (!flag(w.cmpOriented[g])) return bad(msgFlag);
            r.cmpOriented[g] = w.cmpOriented[g];
        }
        for (std::size_t g = 0; g < 2; ++g) {
            if (!take()) return badFormat();
            if (!direction(w.cmpDir[g])) return bad(msgDir);
            r.cmpDir[g] = reverse(w.cmpDir[g]);
        }
        if (!take()) return badFormat();
        if (!unsigned32(w.pathCovering[1])) return bad(msgPath);
        if (!take()) return badFormat();
        if (!unsigned64(w.ipCovering[1])) return bad(msgIP);
        if (!take()) return badFormat();
        if (!unsigned32(r.pathCovering[1])) return bad(msgPath);
        if (!take()) return badFormat();
        if (!unsigned64(r.ipCovering[1])) return bad(msgIP);
        if (!take()) return badFormat();
        if (!counter(w.comparedGraphs)) return bad(msgCompared);
        r.comparedGraphs = w.comparedGraphs;
        if (!take()) return badFormat();
        if (!counter(w.incomingCount)) return bad(msgIncoming);
        r.outgoingCount = w.incomingCount;
        if (!take()) return badFormat();
        if (!counter(w.outgoingCount)) return bad(msgOutgoing);
        r.incomingCount = w.outgoingCount;
        if (!take()) return badFormat();
        if (!counter(w.undirectedCount)) return bad(msgUndirected);
        r.undirectedCount = w.undirectedCount;
        if (!take()) return badFormat();
        if (!counter(w.unorientedCount)) return bad(msgUnoriented);
        r.unorientedCount = w.unorientedCount;
        if (!take()) return badFormat();
        if (!counter(w.orientationChanges)) return bad(msgChanges);
        r.orientationChanges = w.orientationChanges;
        if (!take()) return badFormat();
        // strtof needs a terminated text; the field is short-lived and small.
        const std::string text(f);
        char* end = nullptr;
        const float stability = std::strtof(text.c_str(), &end);
        // A stability of nan or inf would turn every average of the graph
        // into nan or inf, so only finite numbers are taken.
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(stability))
            return bad(msgStability);
        w.orientationStability = r.orientationStability = stability;
    }
    // An adjacency naming an AS that is not among the nodes is dropped.
    addEdge(*first, *second, dir, w, r);
    return true;
}

namespace {

// The fields a differential graph's edge line adds. Rare enough (graphs
// compared by an earlier tool) to be left to printf, whose %f the stability
// field has always had; the longest float in %f takes 47 characters, so the
// whole text always fits.
std::string differentialFields(const ASEdgeWeight& w, const ASEdgeWeight& r) {
    char text[256];
    const int length = std::snprintf(
        text, sizeof text, " %i %i %i %i %lu %llu %lu %llu %hu %hu %hu %hu %hu %hu %f", w.cmpOriented[0] ? 1 : 0,
        w.cmpOriented[1] ? 1 : 0, ASGraph::dirToVal(w.cmpDir[0]), ASGraph::dirToVal(w.cmpDir[1]),
        static_cast<unsigned long>(w.pathCovering[1]), static_cast<unsigned long long>(w.ipCovering[1]),
        static_cast<unsigned long>(r.pathCovering[1]), static_cast<unsigned long long>(r.ipCovering[1]),
        w.comparedGraphs, w.incomingCount, w.outgoingCount, w.undirectedCount, w.unorientedCount,
        w.orientationChanges, static_cast<double>(w.orientationStability));
    return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof text) - 1)));
}

} // namespace

bool ASGraph::writeToFile(std::FILE* file) {
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
        const edge_line fields{e.from.id,       e.to.id,           w.oriented,       dirToVal(*e.dir),
                               w.pathCovering[0], w.ipCovering[0], r.pathCovering[0], r.ipCovering[0]};
        if (!out.edge(fields, rest))
            ok = fail("Could not write edge " + std::to_string(e.from.id) + " " + std::to_string(e.to.id));
    });
    return ok;
}
