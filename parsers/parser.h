#pragma once
// The base every input parser of the extractor is built on. It owns the
// input (plain or compressed, see common/decompress.h), reads it one physical
// line at a time (a line of any length is delivered whole), keeps the read
// and byte counters used for progress and statistics, and the reason text of
// the last failure. Deciding which lines matter and what they mean is left to
// the derived parsers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/bytesource.h"
#include "common/linereader.h"

class Parser {
public:
    // Results of nextLine.
    static constexpr int lineReady = 0;  // lineText holds a line for parseLine
    static constexpr int endOfInput = 1; // input ended (or the stream failed)
    static constexpr int noInput = 2;    // no stream is open
    // Results of parseLine.
    static constexpr int parsedOk = 0;
    static constexpr int endInRecord = 1;  // the input ended inside a record
    static constexpr int noLine = 2;       // no current line
    static constexpr int badValue = 3;     // a value is invalid
    static constexpr int badStructure = 4; // a field is missing or misplaced
    static constexpr int notOpen = 5;      // no stream is open

    static constexpr std::string_view noFileMessage = "No file has been opened";
    static constexpr std::string_view noLineMessage = "There is no current line to be parsed";

    // Longest physical line kept, in characters, its line end not counted.
    // Real dumps hold lines of a few thousand characters; the cap only keeps
    // a file without line feeds from being read into memory whole. The excess of a longer line is
    // skipped (and counted in filePos) and parseLine rejects the line.
    static constexpr std::size_t maxLineLength = std::size_t{1} << 20;

    Parser();
    virtual ~Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Opens `path` for reading; false when a stream is already open (which is
    // then left alone) or the open fails, with errno telling why. A directory
    // is refused with EISDIR rather than read as an empty input.
    bool openFile(const char* path);
    // Takes standard input as the stream (never closed by the parser).
    void openStdin();
    // Takes an already open stream and closes it later, like openFile's;
    // false (and the stream left to the caller) when one is already open.
    bool openStream(std::FILE* input);
    // Takes any byte source (a read-ahead one, a test's); false when an input
    // is already open.
    bool openSource(std::unique_ptr<ByteSource> input);
    // Closes the stream (not standard input) and zeroes the counters; the
    // table state of a derived parser survives until the next open.
    void closeFile();

    std::uint32_t parsedLines() const { return parsedCount; }
    std::uint32_t readLines() const { return readCount; }
    // Bytes consumed and size of the input file (0 for standard input and
    // other non-regular inputs): 64 bits, so inputs above 4 GiB show right.
    // Both count the file's own bytes: compressed ones for compressed input.
    std::uint64_t filePos() const;
    std::uint64_t fileSize() const { return sizeBytes; }
    // Whether the input ended because it could not be read further (an I/O
    // error, damaged compressed data) rather than at its end, and why.
    bool readFailed() const { return source && source->failed(); }
    std::string readFailure() const { return source ? source->failure() : std::string(); }
    // Reason of the last failed nextLine/parseLine; empty after a success.
    const char* errReason() const { return reasonBuf.data(); }
    // The current line, valid until the next operation on the parser.
    const char* currentLine();
    // The same without the copy (embedded NUL characters included), valid
    // until the next operation on the parser.
    std::string_view currentText() const { return lineText; }

    virtual int parseLine() = 0;
    virtual int nextLine() = 0;

protected:
    std::uint32_t parsedCount = 0;
    std::uint32_t readCount = 0;
    std::uint64_t sizeBytes = 0;
    std::uint64_t posBytes = 0;
    // The current line as read, line end included. It lies in the line
    // reader's block (or in lineStore when it came in pieces) and stays valid
    // until the input is read on or asked whether it ended.
    std::string_view lineText;
    // True when the current line was longer than maxLineLength and cut.
    bool lineTruncated = false;

    // Reads the next physical line (up to and including its line feed) into
    // lineText and counts it; false with an empty lineText at the end of the
    // input or on a read error.
    bool readLine();
    // True once every byte of the stream has been delivered (or it failed).
    bool inputExhausted();
    // The end of the input: from here on there is no current line, so a
    // caller looping until parseLine fails never gets the last record twice.
    int endInput();
    bool isOpen() const { return source != nullptr; }
    // Cuts lineText at its first carriage return or line feed.
    void cutAtLineEnd();
    // The nextLine of the record parsers: the next line whose raw length
    // (line end included) exceeds `minimum`, cut at its line end.
    int nextLineLongerThan(std::size_t minimum);

    void clearReason()
    {
        reasonLen = 0;
        reasonBuf[0] = '\0';
    }
    // Stores `message`; returns `code` so a failure is one statement.
    int fail(int code, std::string_view message);
    // Stores prefix + text + "'": the form of every message quoting input.
    int failQuoted(int code, std::string_view prefix, std::string_view text);
    int failQuoted(int code, std::string_view prefix, long long number);
    // The shared refusal of a line that was too long to be kept whole.
    int failTruncated();
    // Every parseLine starts here: clears the reason and refuses when there is
    // no open stream, no current line, or a line cut at the length cap.
    // Returns parsedOk when the line may be parsed.
    int startParse();
    // Called on every open, after the base state was reset: a derived parser
    // forgets what it learnt from the previous input here.
    virtual void resetInputState() {}

private:
    void resetState();

    static constexpr std::size_t reasonSize = 513;

    std::unique_ptr<ByteSource> source;
    std::unique_ptr<LineReader> reader;
    // A line longer than a piece of the reader, put together.
    std::string lineStore;
    std::string lineCopy;
    // Where cutAtLineEnd cuts the line read last.
    std::size_t lineEnd = 0;
    std::array<char, reasonSize> reasonBuf{};
    std::size_t reasonLen = 0;
};
