#pragma once
// A table listing as a route source. The listing is read, decompressed and
// parsed ahead on two other threads while the consumer cleans and prints the
// routes before: routes travel in batches through a fixed set of buffers, in
// input order, so the routes are the same as a single thread's and memory
// stays flat. The parsing thread finds the routes and reads their networks
// (which depend on the lines before) and next hops; the number columns and
// the AS path are read on the consumer's thread, in next(), so that the two
// threads share the work about evenly.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/blockqueue.h"
#include "common/bytesource.h"
#include "parsers/fileparsers.h"
#include "parsers/route.h"

class ListingSource final : public route_source {
public:
    // Reads `input` (decompressed already, and best read ahead on a thread of
    // its own); `modern` as bgpParser::setModern.
    // The input is only touched by the first next().
    ListingSource(std::unique_ptr<ByteSource> input, bool modern);
    ~ListingSource() override;
    ListingSource(const ListingSource&) = delete;
    ListingSource& operator=(const ListingSource&) = delete;

    route_step next() override;
    const route_record& route() const override { return currentRoute; }
    route_error error() const override;

    std::uint64_t readCount() const override { return readLines; }
    std::uint64_t parsedCount() const override { return parsedLines - restFailures; }
    std::uint64_t bytesRead() const override { return position; }
    std::uint64_t size() const override { return sizeBytes; }
    std::optional<std::string> readFailure() const override;
    bool contentSeen() const override { return seenTable; }
    std::optional<std::string> unreadWarning() const override;
    std::vector<std::pair<std::string, std::uint64_t>> contentCounts() const override;

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
        route_prefix prefix;
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
        bool last = false;         // the input ends with this batch
        std::uint32_t readLines = 0;
        std::uint32_t parsedLines = 0;
        bgpParser::unread_routes unread;
        bool tableSeen = false;
        std::string failure;
    };

    bool fill(batch& b);
    bool nextBatch();
    // The next line of the current batch; false at the end of the input.
    bool nextLine();
    route_step readRoute();
    const parsed_line& item() const { return current->lines[index]; }

    // What each thread writes sits on cache lines of its own: a counter
    // that the parsing thread bumps for every line, sharing a line with
    // state the consumer reads for every route, would send that line back
    // and forth between the cores twice a route.
    // Written by the parsing thread.
    alignas(apart) bgpParser parser;
    // Reads the rest of each route on this thread, with the columns of the
    // batch's list at installedColumns.
    alignas(apart) bgpParser restReader;
    std::size_t installedColumns = 0;
    alignas(apart) Prefetcher<batch> batches;
    alignas(apart) batch* current = nullptr;
    std::size_t index = 0;
    route_record currentRoute;
    const char* reason = "";
    std::uint64_t restFailures = 0;
    bool ended = false;
    std::uint64_t readLines = 0;
    std::uint64_t parsedLines = 0;
    std::uint64_t position = 0;
    std::uint64_t sizeBytes = 0;
    bgpParser::unread_routes unread;
    std::uint64_t skippedLines = 0; // lines not understood inside tables
    bool seenTable = false;
    std::string failure;
};
