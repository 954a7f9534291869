#include "common/bytesource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

void ByteSource::setFailure(std::string text)
{
    // Keep the first reason: later ones are consequences of it.
    if (reason.empty()) reason = text.empty() ? "read error" : std::move(text);
}

void drain(ByteSource& source)
{
    std::unique_ptr<char[]> scratch = std::make_unique_for_overwrite<char[]>(std::size_t{1} << 16);
    while (source.read(scratch.get(), std::size_t{1} << 16) > 0) {
    }
}

std::unique_ptr<FileSource> FileSource::open(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    std::uint64_t size = 0;
    bool regular = false;
    if (fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            ::close(fd);
            errno = EISDIR;
            return nullptr;
        }
        regular = S_ISREG(info.st_mode);
        if (regular) size = static_cast<std::uint64_t>(info.st_size);
    }
    return std::unique_ptr<FileSource>(new FileSource(fd, size, regular));
}

FileSource::~FileSource() { ::close(fd); }

std::size_t FileSource::read(char* buffer, std::size_t capacity)
{
    if (ended || capacity == 0) return 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, capacity);
        if (got > 0) {
            taken += static_cast<std::uint64_t>(got);
            return static_cast<std::size_t>(got);
        }
        if (got < 0 && errno == EINTR) continue;
        ended = true;
        if (got < 0) setFailure(std::strerror(errno));
        return 0;
    }
}

StreamSource::StreamSource(std::FILE* stream, bool owned, pacing mode) : stream(stream), owned(owned), mode(mode) {}

StreamSource::~StreamSource()
{
    if (owned) std::fclose(stream);
}

std::size_t StreamSource::finish(std::size_t got)
{
    taken += got;
    if (std::ferror(stream)) setFailure(std::strerror(errno != 0 ? errno : EIO));
    // The end seen once is the end: at a terminal, one Ctrl-D at the start
    // of a line ends the input, and a further read would wait for another.
    ended = ended || got == 0 || std::ferror(stream) || std::feof(stream);
    return got;
}

std::size_t StreamSource::read(char* buffer, std::size_t capacity)
{
    if (ended || capacity == 0) return 0;
    errno = 0;
    if (mode == pacing::blocks) return finish(std::fread(buffer, 1, capacity, stream));
    // One character at a time, up to the line feed: nothing beyond the line
    // is taken out of the stream.
    std::size_t got = 0;
    while (got < capacity) {
        const int c = std::getc(stream);
        if (c == EOF) break;
        buffer[got++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    return finish(got);
}

int StreamSource::peek()
{
    if (ended) return EOF;
    const int c = std::getc(stream);
    if (c != EOF) std::ungetc(c, stream);
    return c;
}

HeadFirstSource::HeadFirstSource(std::unique_ptr<ByteSource> inner, std::string head)
    : inner(std::move(inner)), head(std::move(head))
{
}

std::size_t HeadFirstSource::read(char* buffer, std::size_t capacity)
{
    if (headUsed < head.size()) {
        const std::size_t n = std::min(capacity, head.size() - headUsed);
        std::memcpy(buffer, head.data() + headUsed, n);
        headUsed += n;
        return n;
    }
    const std::size_t n = inner->read(buffer, capacity);
    if (n == 0 && inner->failed() && !failed()) setFailure(inner->failure());
    return n;
}

std::string readHead(ByteSource& source, std::size_t want)
{
    std::string head(want, '\0');
    std::size_t got = 0;
    while (got < want) {
        const std::size_t n = source.read(head.data() + got, want - got);
        if (n == 0) break;
        got += n;
    }
    head.resize(got);
    return head;
}

std::size_t TextSource::read(char* buffer, std::size_t capacity)
{
    const std::size_t got = text.copy(buffer, capacity, taken);
    taken += got;
    return got;
}
