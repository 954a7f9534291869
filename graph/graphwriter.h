#pragma once
// The lines of a graph file as they are written: the header lines, one AS
// number per node line and the leading fields of an edge line, formatted by
// hand (a graph of a full table has hundreds of thousands of lines, which
// printf formats several times slower).
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/asnumber.h"

// The fields every edge line starts with; a differential graph's line
// continues with more.
struct edge_line {
    asnum_t from = 0;
    asnum_t to = 0;
    bool oriented = false;
    int direction = 0; // -1, 0 or 1
    std::uint32_t paths = 0;
    std::uint64_t addresses = 0;
    std::uint32_t reversePaths = 0;
    std::uint64_t reverseAddresses = 0;
};

class GraphFileWriter {
public:
    // eachLine: every line reaches the stream by itself, so a failure is
    // known at the line it hit; blocks: lines gather in a large buffer and a
    // failure shows only in the stream's error state.
    enum class pacing { eachLine, blocks };

    GraphFileWriter(std::FILE* file, pacing mode) : file(file), mode(mode) {}
    GraphFileWriter(const GraphFileWriter&) = delete;
    GraphFileWriter& operator=(const GraphFileWriter&) = delete;
    ~GraphFileWriter() { flush(); }

    // Each returns false when the line could not be written.
    bool marker(bool differential, bool wide); // "HGR", "HDG", with "32" when wide
    bool number(std::uint64_t value);          // counts and node lines
    bool text(std::string_view line);          // source file names and the comment; ends at a NUL
    bool edge(const edge_line& fields, std::string_view rest = {});
    bool flush();

private:
    bool endLine();

    std::FILE* file;
    pacing mode;
    std::string buffer;
};
