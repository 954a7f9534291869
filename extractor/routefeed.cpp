#include "extractor/routefeed.h"

#include <utility>

#include "common/decompress.h"
#include "common/readahead.h"

namespace {

// Enough lines per batch that hand-overs cost nothing next to the parsing,
// few enough batches that memory does not grow with the input. A batch also
// ends after batchBytes of line text, so that long lines do not multiply it.
constexpr std::size_t batchLines = 1024;
constexpr std::size_t batchCount = 4;
constexpr std::size_t batchBytes = std::size_t{1} << 20;

// Appends `text` and a NUL to a batch's text; returns where it starts.
std::size_t keepText(std::string& all, std::string_view text)
{
    const std::size_t start = all.size();
    all.append(text);
    all.push_back('\0');
    return start;
}

} // namespace

RouteFeed::RouteFeed()
    : batches(batchCount, [] {
          auto b = std::make_unique<batch>();
          b->lines.resize(batchLines);
          return b;
      })
{
    parser.setRestDeferred(true);
    restReader.setPathList(false);
}

RouteFeed::~RouteFeed()
{
    batches.stop();
}

bool RouteFeed::openFile(const char* path)
{
    if (opened)
        return false;
    std::unique_ptr<ByteSource> input = openInputFile(path);
    if (!input)
        return false;
    opened = parser.openSource(std::make_unique<ReadAhead>(std::move(input)));
    sizeBytes = parser.fileSize();
    return opened;
}

void RouteFeed::openStdin()
{
    if (opened)
        return;
    auto input = std::make_unique<StreamSource>(stdin, false, StreamSource::pacing::blocks);
    opened = parser.openSource(std::make_unique<ReadAhead>(decompressing(std::move(input))));
    sizeBytes = 0;
}

void RouteFeed::closeFile()
{
    batches.stop();
    parser.closeFile();
    opened = false;
}

bool RouteFeed::fill(batch& b)
{
    b.count = 0;
    b.text.clear();
    b.columns.clear();
    std::uint32_t columnsVersion = 0;
    while (b.count < b.lines.size() && b.text.size() < batchBytes) {
        if (parser.nextLine() != Parser::lineReady) {
            b.last = true;
            break;
        }
        parsed_line& slot = b.lines[b.count++];
        // The extractor draws its progress bar between nextLine and parseLine.
        slot.filePos = parser.filePos();
        slot.result = parser.parseLine();
        slot.readLines = parser.readLines();
        slot.lineStart = keepText(b.text, parser.currentText());
        slot.lineLength = parser.currentText().size();
        if (slot.result == Parser::parsedOk) {
            slot.network = parser.parsed.network;
            slot.routeMask = parser.parsed.routeMask;
            if (b.columns.empty() || parser.columnsVersion() != columnsVersion) {
                b.columns.push_back(parser.rowColumns());
                columnsVersion = parser.columnsVersion();
            }
            const bgpParser::rest_mark mark = parser.restMark();
            slot.shift = static_cast<std::uint32_t>(mark.shift);
            slot.nextHopEnd = static_cast<std::uint32_t>(mark.nextHopEnd);
            slot.columnsIndex = static_cast<std::uint32_t>(b.columns.size() - 1);
        } else {
            slot.reasonStart = keepText(b.text, parser.errReason());
        }
    }
    b.filePos = parser.filePos();
    if (b.last) {
        b.readLines = parser.readLines();
        b.parsedLines = parser.parsedLines();
        b.unread = parser.unreadRoutes();
        b.tableSeen = parser.tableSeen();
        b.failure = parser.readFailure();
    }
    return !b.last;
}

bool RouteFeed::nextBatch()
{
    if (current) {
        if (current->last) {
            ended = true;
            readCount = current->readLines;
            parsedCount = current->parsedLines;
            unread = current->unread;
            seenTable = current->tableSeen;
            failure = current->failure;
            return false;
        }
    }
    current = batches.next();
    index = 0;
    installedColumns = npos;
    if (current == nullptr) {
        ended = true;
        return false;
    }
    position = current->filePos;
    return true;
}

int RouteFeed::nextLine()
{
    if (!opened)
        return Parser::noInput;
    if (ended)
        return Parser::endOfInput;
    // The parsing thread starts here, after the outputs were opened: an
    // overwrite question is answered from standard input before any of the
    // table is read from it.
    if (!batches.started())
        batches.start([this](batch& b) { return fill(b); });
    if (current != nullptr)
        ++index;
    while (current == nullptr || index >= current->count) {
        if (!nextBatch())
            return Parser::endOfInput;
    }
    readCount = item().readLines;
    position = item().filePos;
    return Parser::lineReady;
}

int RouteFeed::parseLine()
{
    if (current == nullptr || index >= current->count)
        return Parser::noLine;
    const parsed_line& line = current->lines[index];
    if (line.result != Parser::parsedOk) {
        reason = current->text.data() + line.reasonStart;
        return line.result;
    }
    if (line.columnsIndex != installedColumns) {
        restReader.setRowColumns(current->columns[line.columnsIndex]);
        installedColumns = line.columnsIndex;
    }
    const std::string_view text(current->text.data() + line.lineStart, line.lineLength);
    const int result = restReader.readRest(text, {line.shift, line.nextHopEnd});
    if (result != Parser::parsedOk) {
        ++restFailures;
        reason = restReader.errReason();
        return result;
    }
    currentRoute = route{line.network, line.routeMask, restReader.parsed.origin, restReader.pathItems()};
    return result;
}
