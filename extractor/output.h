#pragma once
// Output streams of routesift and the line formats of a path and a prefix.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/iptools.h"
#include "common/outputfiles.h"
#include "parsers/route.h"

// A buffered output file. Millions of short lines are written, so text is
// gathered in a large buffer and handed to the C stream in big blocks; a
// failed write is remembered (with its errno) and reported by finish().
class OutputFile {
public:
    // Standard output, reported as "(standard output)"; never closed.
    static std::unique_ptr<OutputFile> standardOutput();
    // Takes ownership of an open stream written under the name `name`.
    OutputFile(std::FILE* stream, std::string name, bool owned);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void put(char c)
    {
        if (used == capacity) drain();
        buffer[used++] = c;
    }
    void write(std::string_view text);
    void writeUnsigned(std::uint64_t value);

    // Direct access for hot formatting loops: room for n characters (n at
    // most bufferCapacity), then commit how many were written there.
    static constexpr std::size_t bufferCapacity = std::size_t{1} << 16;
    char* room(std::size_t n)
    {
        if (bufferCapacity - used < n) drain();
        return buffer.get() + used;
    }
    void commit(std::size_t n) { used += n; }

    // Hands the buffered text to the C stream (no fflush): keeps the order of
    // this output against other writes to the same stream or terminal.
    void flush();
    // Flushes everything down to the system and closes an owned stream
    // (a stream of an OutputSet is closed by the set). False when any write
    // since the start failed; error() says why.
    bool finish();
    int error() const { return failureErrno; }
    const std::string& name() const { return displayName; }
    std::FILE* stream() const { return file; }

private:
    void drain();

    static constexpr std::size_t capacity = bufferCapacity;
    std::FILE* file;
    std::string displayName;
    bool owned;
    bool failed = false;
    int failureErrno = 0;
    std::size_t used = 0;
    std::unique_ptr<char[]> buffer;
};

// What to do when an output file exists already.
enum class on_existing {
    ask,       // ask on standard error, read the answer from standard input
    overwrite, // -f
    refuse,    // standard input is the listing: nobody there to answer
};

// Opens `name` for writing as one output of `files`, dealing with an existing
// file as `existing` says; `index` is the output's place in the set. Returns
// EXIT_OK, EXIT_FILE_ERROR (reported on standard error) or EXIT_DECLINED.
int openWriteFile(OutputSet& files, const std::string& name, on_existing existing, std::size_t& index);

// Reports that the output `name` could not be written, for the reason
// `error`. A reader that went away (a closed pipe) is no news: nothing is said.
void reportWriteError(const std::string& name, int error);

// The ASs separated by blanks; each run of AS set members in parentheses.
void printASpath(OutputFile& out, std::span<const ASItem> path);

// The network (IPv6 in RFC 5952 form), "/length" when it has one (or, with
// allmask, an IPv4 network's classful length), and a blank.
void printPrefix(OutputFile& out, const route_prefix& prefix, bool allmask);
