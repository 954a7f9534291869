#pragma once
// The BGP table parser on a thread of its own. The extractor's main flow
// drives it exactly as it would drive a bgpParser (nextLine, parseLine, the
// parsed record, the counters), while the table is read, decompressed and
// parsed ahead on two other threads: reading and parsing overlap with the
// cleaning and printing of the routes before them. Routes travel in batches
// through a fixed set of buffers, in input order, so the output is the same
// as a single thread's and memory stays flat. The parsing thread finds the
// routes and reads their networks (which depend on the lines before) and
// next hops; the number columns and the AS path are read on the extractor's
// thread, so that the two threads share the work about evenly.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/blockqueue.h"
#include "parsers/fileparsers.h"

class RouteFeed {
public:
    RouteFeed();
    ~RouteFeed();
    RouteFeed(const RouteFeed&) = delete;
    RouteFeed& operator=(const RouteFeed&) = delete;

    // As bgpParser's: the input is only touched by the first nextLine.
    bool openFile(const char* path);
    void openStdin();
    void closeFile();

    // Set before the first nextLine, as on bgpParser.
    void setModern(bool on)
    {
        parser.setModern(on);
        restReader.setModern(on);
    }

    // What the extractor takes of a route.
    struct route {
        IPAddress network;
        std::optional<IPNetmask> routeMask;
        std::uint8_t origin = 0;
        std::span<const ASItem> path; // valid until the next parseLine
    };

    int nextLine();
    int parseLine();
    // The route of the current line after parseLine gave 0.
    const route& parsed() const { return currentRoute; }

    std::uint32_t readLines() const { return readCount; }
    std::uint32_t parsedLines() const { return parsedCount - restFailures; }
    std::uint64_t filePos() const { return position; }
    std::uint64_t fileSize() const { return sizeBytes; }
    const char* currentLine() const { return current->text.data() + item().lineStart; }
    const char* errReason() const { return reason; }
    // Known once nextLine reported the end of the input.
    const bgpParser::unread_routes& unreadRoutes() const { return unread; }
    // Known once nextLine reported the end of the input: a table header (or a
    // pager line that reopened one) was met.
    bool tableSeen() const { return seenTable; }
    bool readFailed() const { return !failure.empty(); }
    const std::string& readFailure() const { return failure; }

private:
    // Two cache lines (the processor fetches lines in pairs).
    static constexpr std::size_t apart = 128;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // One line as the parsing thread left it.
    struct parsed_line {
        int result = Parser::parsedOk;
        std::uint32_t readLines = 0;
        std::uint64_t filePos = 0; // the progress shown while this line is handled
        // The line and, for a line that failed, why: at these offsets in the
        // batch's text, each followed by a NUL.
        std::size_t lineStart = 0;
        std::size_t lineLength = 0;
        std::size_t reasonStart = 0;
        // With parsedOk: the network, and what reading the rest of the line
        // takes: its shift and its header's columns (in the batch's list).
        IPAddress network;
        std::optional<IPNetmask> routeMask;
        // Within a line, so below Parser::maxLineLength.
        std::uint32_t shift = 0;
        std::uint32_t nextHopEnd = 0;
        std::uint32_t columnsIndex = 0;
    };
    // Aligned so that the batch being filled and the one being read never
    // share a cache line: the filling thread updates its text's length for
    // every line.
    struct alignas(apart) batch {
        std::vector<parsed_line> lines;
        // The lines of the batch one after the other: written and read in
        // order, so the hand-over between the threads streams.
        std::string text;
        // The header columns of the batch's routes, each set once.
        std::vector<bgpParser::row_columns> columns;
        std::size_t count = 0;
        std::uint64_t filePos = 0; // at the end of the batch
        bool last = false; // the input ends with this batch
        std::uint32_t readLines = 0;
        std::uint32_t parsedLines = 0;
        bgpParser::unread_routes unread;
        bool tableSeen = false;
        std::string failure;
    };

    bool fill(batch& b);
    bool nextBatch();
    const parsed_line& item() const { return current->lines[index]; }

    // What each thread writes sits on cache lines of its own: a counter
    // that the parsing thread bumps for every line, sharing a line with
    // state the extractor reads for every route, would send that line back
    // and forth between the cores twice a route.
    // Written by the parsing thread.
    alignas(apart) bgpParser parser;
    // Reads the rest of each route on this thread, with the columns of the
    // batch's list at installedColumns.
    alignas(apart) bgpParser restReader;
    std::size_t installedColumns = 0;
    alignas(apart) Prefetcher<batch> batches;
    alignas(apart) bool opened = false;
    batch* current = nullptr;
    std::size_t index = 0;
    route currentRoute;
    const char* reason = "";
    std::uint32_t restFailures = 0;
    bool ended = false;
    std::uint32_t readCount = 0;
    std::uint32_t parsedCount = 0;
    std::uint64_t position = 0;
    std::uint64_t sizeBytes = 0;
    bgpParser::unread_routes unread;
    bool seenTable = false;
    std::string failure;
};
