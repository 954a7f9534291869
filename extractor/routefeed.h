#pragma once
// The BGP table parser on a thread of its own. The extractor's main flow
// drives it exactly as it would drive a bgpParser (nextLine, parseLine, the
// parsed record, the counters), while the table is read, decompressed and
// parsed ahead on two other threads: reading and parsing overlap with the
// cleaning and printing of the routes before them. Routes travel in batches
// through a fixed set of buffers, in input order, so the output is the same
// as a single thread's and memory stays flat. The AS path of a route is read
// on the extractor's thread, which has the lighter work: the parsing thread
// hands over the line and where its path starts.
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
        pathReader.setModern(on);
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
    std::uint32_t parsedLines() const { return parsedCount - pathFailures; }
    std::uint64_t filePos() const { return position; }
    std::uint64_t fileSize() const { return sizeBytes; }
    const char* currentLine() const { return item().line.c_str(); }
    const char* errReason() const { return reason; }
    // Known once nextLine reported the end of the input.
    const bgpParser::unread_routes& unreadRoutes() const { return unread; }
    // Known once nextLine reported the end of the input: a table header (or a
    // pager line that reopened one) was met.
    bool tableSeen() const { return seenTable; }
    bool readFailed() const { return !failure.empty(); }
    const std::string& readFailure() const { return failure; }

private:
    // One line as the parsing thread left it.
    struct parsed_line {
        int result = Parser::parsedOk;
        std::uint32_t readLines = 0;
        std::uint64_t filePos = 0; // the progress shown while this line is handled
        std::string line;
        // With parsedOk: the route but its path, which starts at pathStart
        // in the line; otherwise why the line failed.
        IPAddress network;
        std::optional<IPNetmask> routeMask;
        std::size_t pathStart = 0;
        std::string reason;
    };
    struct batch {
        std::vector<parsed_line> lines;
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

    bgpParser parser;
    // Reads the paths on this thread.
    bgpParser pathReader;
    Prefetcher<batch> batches;
    bool opened = false;
    batch* current = nullptr;
    std::size_t index = 0;
    route currentRoute;
    const char* reason = "";
    std::uint32_t pathFailures = 0;
    bool ended = false;
    std::uint32_t readCount = 0;
    std::uint32_t parsedCount = 0;
    std::uint64_t position = 0;
    std::uint64_t sizeBytes = 0;
    bgpParser::unread_routes unread;
    bool seenTable = false;
    std::string failure;
};
