#include "parsers/parser.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "common/decompress.h"

Parser::Parser() { lineCopy.reserve(1024); }

Parser::~Parser() = default;

void Parser::resetState()
{
    parsedCount = 0;
    readCount = 0;
    sizeBytes = 0;
    posBytes = 0;
    lineText = {};
    lineTruncated = false;
    clearReason();
    resetInputState();
}

bool Parser::openSource(std::unique_ptr<ByteSource> input)
{
    if (source != nullptr || input == nullptr) return false;
    resetState();
    source = std::move(input);
    reader = std::make_unique<LineReader>(*source);
    sizeBytes = source->size();
    return true;
}

bool Parser::openFile(const char* path)
{
    if (source != nullptr) return false;
    std::unique_ptr<ByteSource> input = openInputFile(path);
    return input != nullptr && openSource(std::move(input));
}

void Parser::openStdin()
{
    openSource(decompressing(std::make_unique<StreamSource>(stdin, false, StreamSource::pacing::blocks)));
}

bool Parser::openStream(std::FILE* input)
{
    if (source != nullptr || input == nullptr) return false;
    return openSource(decompressing(std::make_unique<StreamSource>(input, true, StreamSource::pacing::blocks)));
}

void Parser::closeFile()
{
    if (source == nullptr) return;
    reader.reset();
    source.reset();
    lineText = {};
    lineTruncated = false;
    clearReason();
    sizeBytes = 0;
    posBytes = 0;
    parsedCount = 0;
    readCount = 0;
}

std::uint64_t Parser::filePos() const
{
    return source != nullptr && source->compressed() ? source->consumed() : posBytes;
}

const char* Parser::currentLine()
{
    lineCopy.assign(lineText);
    return lineCopy.c_str();
}

bool Parser::inputExhausted() { return reader == nullptr || reader->atEnd(); }

int Parser::endInput()
{
    lineText = {};
    lineTruncated = false;
    return endOfInput;
}

bool Parser::readLine()
{
    lineTruncated = false;
    // The cap is on the line's text: its line end ("\n" or "\r\n") comes on top.
    constexpr std::size_t keep = maxLineLength + 2;
    // The usual line comes whole in one piece and is read where it lies. The
    // reader writes the piece straight into lineText: a copy of the view
    // just written would wait for the writes to complete.
    if (reader == nullptr || !reader->next(keep, lineText)) {
        lineText = {};
        return false;
    }
    ++readCount;
    posBytes += lineText.size();
    if (lineText.back() != '\n') {
        // Pieces of the cap's length until the line feed: what exceeds the
        // cap is counted and dropped.
        lineStore.assign(lineText);
        std::string_view piece;
        while (reader->next(keep, piece)) {
            posBytes += piece.size();
            const std::size_t room = keep - lineStore.size();
            if (piece.size() > room) lineTruncated = true;
            lineStore.append(piece.data(), std::min(piece.size(), room));
            if (piece.back() == '\n') break;
        }
        lineText = lineStore;
    }
    std::size_t text = lineText.size();
    if (lineText.back() == '\n' && --text > 0 && lineText[text - 1] == '\r') --text;
    lineTruncated = lineTruncated || text > maxLineLength;
    // A line feed can only be the last character; a carriage return may be
    // anywhere (a stray one, or one of a CR-only file).
    lineEnd = std::min(lineText.find('\r'), lineText.size() - (lineText.back() == '\n' ? 1 : 0));
    return true;
}

void Parser::cutAtLineEnd() { lineText = lineText.substr(0, std::min(lineEnd, lineText.size())); }

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
    return failQuoted(code, prefix,
                      std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
}

int Parser::startParse()
{
    clearReason();
    if (source == nullptr) return fail(notOpen, noFileMessage);
    if (lineText.empty()) return fail(noLine, noLineMessage);
    if (lineTruncated) return failTruncated();
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
    if (source == nullptr) return fail(noInput, noFileMessage);
    if (inputExhausted()) return endInput();
    while (readLine()) {
        if (lineText.size() > minimum) {
            cutAtLineEnd();
            return lineReady;
        }
    }
    return endInput();
}
