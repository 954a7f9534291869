#include "parsers/parser.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>

Parser::Parser()
{
    lineBuf.reserve(1024);
    lineCopy.reserve(1024);
}

Parser::~Parser()
{
    closeStream();
}

void Parser::resetState()
{
    parsedCount = 0;
    readCount = 0;
    sizeBytes = 0;
    posBytes = 0;
    lineBuf.clear();
    lineTruncated = false;
    clearReason();
    streamEnded = false;
    chunkPos = 0;
    chunkEnd = 0;
    if (!chunk)
        chunk = std::make_unique_for_overwrite<char[]>(chunkSize);
    resetInputState();
}

bool Parser::openFile(const char* path)
{
    if (stream != nullptr)
        return false;
    resetState();
    std::FILE* input = std::fopen(path, "r");
    if (input == nullptr)
        return false;
    struct stat info {};
    if (fstat(fileno(input), &info) == 0) {
        // A directory opens for reading on Linux and then fails every read,
        // which would pass for an empty dump: refuse it here instead.
        if (S_ISDIR(info.st_mode)) {
            std::fclose(input);
            errno = EISDIR;
            return false;
        }
        if (S_ISREG(info.st_mode))
            sizeBytes = static_cast<std::uint64_t>(info.st_size);
    }
    stream = input;
    ownsStream = true;
    return true;
}

void Parser::openStdin()
{
    if (stream != nullptr)
        return;
    resetState();
    stream = stdin;
    ownsStream = false;
}

bool Parser::openStream(std::FILE* input)
{
    if (stream != nullptr || input == nullptr)
        return false;
    resetState();
    stream = input;
    ownsStream = true;
    return true;
}

void Parser::closeStream()
{
    if (stream != nullptr && ownsStream)
        std::fclose(stream);
    stream = nullptr;
    ownsStream = false;
}

void Parser::closeFile()
{
    if (stream == nullptr)
        return;
    closeStream();
    lineBuf.clear();
    lineTruncated = false;
    clearReason();
    sizeBytes = 0;
    posBytes = 0;
    parsedCount = 0;
    readCount = 0;
    streamEnded = true;
    chunkPos = 0;
    chunkEnd = 0;
}

const char* Parser::currentLine()
{
    lineCopy.assign(lineBuf);
    return lineCopy.c_str();
}

bool Parser::fillBuffer()
{
    if (streamEnded || stream == nullptr)
        return false;
    const std::size_t got = std::fread(chunk.get(), 1, chunkSize, stream);
    if (got == 0) {
        // End of input and read errors alike end reading.
        streamEnded = true;
        return false;
    }
    chunkPos = 0;
    chunkEnd = got;
    return true;
}

bool Parser::inputExhausted()
{
    return stream == nullptr || (streamEnded && chunkPos == chunkEnd);
}

bool Parser::readLine()
{
    lineBuf.clear();
    lineTruncated = false;
    std::uint64_t raw = 0;
    bool complete = false;
    while (!complete) {
        if (chunkPos == chunkEnd && !fillBuffer())
            break;
        const char* start = chunk.get() + chunkPos;
        const std::size_t avail = chunkEnd - chunkPos;
        const auto* feed = static_cast<const char*>(std::memchr(start, '\n', avail));
        const std::size_t take = feed != nullptr ? static_cast<std::size_t>(feed - start) + 1 : avail;
        complete = feed != nullptr;
        const std::size_t room = maxLineLength - lineBuf.size();
        if (take > room)
            lineTruncated = true;
        lineBuf.append(start, std::min(take, room));
        chunkPos += take;
        raw += take;
    }
    if (raw == 0)
        return false;
    ++readCount;
    posBytes += raw;
    return true;
}

void Parser::cutAtLineEnd()
{
    // A line feed can only be the last character; a carriage return may be
    // anywhere (a stray one, or one of a CR-only file).
    std::size_t end = lineBuf.size();
    if (end > 0 && lineBuf[end - 1] == '\n')
        --end;
    if (const void* cr = std::memchr(lineBuf.data(), '\r', end))
        end = static_cast<std::size_t>(static_cast<const char*>(cr) - lineBuf.data());
    lineBuf.resize(end);
}

int Parser::fail(int code, std::string_view message)
{
    reasonLen = std::min(message.size(), reasonSize - 1);
    std::memcpy(reasonBuf.data(), message.data(), reasonLen);
    reasonBuf[reasonLen] = '\0';
    return code;
}

int Parser::failQuoted(int code, std::string_view prefix, std::string_view text)
{
    // The closing quote always survives: an over-long quoted text is cut short.
    const std::size_t limit = reasonSize - 2;
    fail(code, prefix);
    reasonLen = std::min(reasonLen, limit);
    const std::size_t keep = std::min(text.size(), limit - reasonLen);
    std::memcpy(reasonBuf.data() + reasonLen, text.data(), keep);
    reasonLen += keep;
    reasonBuf[reasonLen++] = '\'';
    reasonBuf[reasonLen] = '\0';
    return code;
}

int Parser::failQuoted(int code, std::string_view prefix, long long number)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    return failQuoted(code, prefix, std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
}

int Parser::startParse()
{
    clearReason();
    if (stream == nullptr)
        return fail(notOpen, noFileMessage);
    if (lineBuf.empty())
        return fail(noLine, noLineMessage);
    if (lineTruncated)
        return failTruncated();
    return parsedOk;
}

int Parser::failTruncated()
{
    std::array<char, 80> text{};
    const int len = std::snprintf(text.data(), text.size(), "Line longer than %zu characters", maxLineLength);
    return fail(badStructure, std::string_view(text.data(), static_cast<std::size_t>(len)));
}

int Parser::nextLineLongerThan(std::size_t minimum)
{
    clearReason();
    if (stream == nullptr)
        return fail(noInput, noFileMessage);
    if (inputExhausted())
        return endOfInput;
    while (readLine()) {
        if (lineBuf.size() > minimum) {
            cutAtLineEnd();
            return lineReady;
        }
    }
    lineBuf.clear();
    return endOfInput;
}
