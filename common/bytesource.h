#pragma once
// Where input bytes come from. Readers (the line reader and everything built
// on it) only see this interface, so a file, a C stream and a decompressor in
// front of either are read by the same code, and every input feature is
// written once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

class ByteSource {
public:
    ByteSource() = default;
    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Fills up to `capacity` bytes of `buffer` and says how many. A read may
    // deliver fewer bytes than asked before the end; 0 means the input ended,
    // cleanly or (failed() tells) not.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
    // Bytes taken from the file itself so far: compressed bytes when the
    // content is decompressed. Progress is measured in these.
    virtual std::uint64_t consumed() const = 0;
    // Size of the file in the unit of consumed(): known for regular files,
    // 0 otherwise.
    virtual std::uint64_t size() const { return 0; }
    // True when the bytes delivered are decompressed from the file's, so
    // that positions in the content and in the file differ.
    virtual bool compressed() const { return false; }

    // A line-paced source ends every read at a line feed and never reads
    // ahead of what it delivered: the stream it reads is shared with someone
    // else (questions answered from standard input between script lines).
    virtual bool linePaced() const { return false; }
    // The next byte without taking it (EOF at the end); only line-paced
    // sources have to look ahead without reading.
    virtual int peek() { return EOF; }

    // True once the input could not be read to its end; failure() is the
    // reason in words ("Is a directory", "corrupt bzip2 data").
    bool failed() const { return !reason.empty(); }
    const std::string& failure() const { return reason; }

protected:
    void setFailure(std::string text);

private:
    std::string reason;
};

// Reads and drops the rest of `source`, so that damage anywhere in it shows
// in failed(): a reader that stopped early on garbage learns whether the
// garbage came from damaged compressed data.
void drain(ByteSource& source);

// A file opened by name, read with the system's read.
class FileSource final : public ByteSource {
public:
    // Null when the file cannot be opened, with errno telling why. A
    // directory would open and then fail every read, passing for an empty
    // input: it is refused here with EISDIR instead.
    static std::unique_ptr<FileSource> open(const char* path);
    ~FileSource() override;

    std::size_t read(char* buffer, std::size_t capacity) override;
    std::uint64_t consumed() const override { return taken; }
    std::uint64_t size() const override { return fileSize; }
    // A regular file can be closed and opened again by name and read the
    // same; a pipe or a device cannot.
    bool regular() const { return isRegular; }

private:
    FileSource(int descriptor, std::uint64_t size, bool regular) : fd(descriptor), fileSize(size), isRegular(regular) {}

    int fd;
    std::uint64_t fileSize;
    bool isRegular;
    std::uint64_t taken = 0;
    bool ended = false;
};

// Another source with bytes already taken from it to look at its content
// (`head`) put back in front: readers after the look see the whole input.
class HeadFirstSource final : public ByteSource {
public:
    HeadFirstSource(std::unique_ptr<ByteSource> inner, std::string head);

    std::size_t read(char* buffer, std::size_t capacity) override;
    std::uint64_t consumed() const override { return inner->consumed(); }
    std::uint64_t size() const override { return inner->size(); }
    bool compressed() const override { return inner->compressed(); }

private:
    std::unique_ptr<ByteSource> inner;
    std::string head;
    std::size_t headUsed = 0;
};

// Reads from `source` until `want` bytes came or the input ended: what a
// format check looks at.
std::string readHead(ByteSource& source, std::size_t want);

// A C stream, above all standard input: whatever another reader of the same
// stream took or left in its buffer stays in order with what this reads.
class StreamSource final : public ByteSource {
public:
    enum class pacing { blocks, lines };
    // `owned` streams are closed with the source.
    StreamSource(std::FILE* stream, bool owned, pacing mode);
    ~StreamSource() override;

    std::size_t read(char* buffer, std::size_t capacity) override;
    std::uint64_t consumed() const override { return taken; }
    bool linePaced() const override { return mode == pacing::lines; }
    int peek() override;

private:
    std::size_t finish(std::size_t got);

    std::FILE* stream;
    bool owned;
    pacing mode;
    std::uint64_t taken = 0;
    bool ended = false;
};

// Text held in memory, such as commands given on the command line.
class TextSource final : public ByteSource {
public:
    explicit TextSource(std::string text) : text(std::move(text)) {}

    std::size_t read(char* buffer, std::size_t capacity) override;
    std::uint64_t consumed() const override { return taken; }

private:
    std::string text;
    std::size_t taken = 0;
};
