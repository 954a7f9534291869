#include "parsers/listingsource.h"

#include <cstring>
#include <utility>

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

ListingSource::ListingSource(std::unique_ptr<ByteSource> input, bool modern)
    : batches(batchCount, [] {
          auto b = std::make_unique<batch>();
          b->lines.resize(batchLines);
          return b;
      })
{
    parser.setModern(modern);
    restReader.setModern(modern);
    parser.setRestDeferred(true);
    restReader.setPathList(false);
    parser.openSource(std::move(input));
    sizeBytes = parser.fileSize();
}

ListingSource::~ListingSource() { batches.stop(); }

bool ListingSource::fill(batch& b)
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
        // The consumer draws its progress display before each line's route.
        slot.filePos = parser.filePos();
        slot.result = parser.parseLine();
        slot.readLines = parser.readLines();
        slot.lineStart = keepText(b.text, parser.currentText());
        slot.lineLength = parser.currentText().size();
        if (slot.result == Parser::parsedOk) {
            parser.routePrefix(slot.prefix);
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

bool ListingSource::nextBatch()
{
    if (current && current->last) {
        ended = true;
        readLines = current->readLines;
        parsedLines = current->parsedLines;
        unread = current->unread;
        seenTable = current->tableSeen;
        failure = current->failure;
        return false;
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

bool ListingSource::nextLine()
{
    if (ended) return false;
    // The parsing thread starts here, after the outputs were opened: an
    // overwrite question is answered from standard input before any of the
    // table is read from it.
    if (!batches.started()) batches.start([this](batch& b) { return fill(b); });
    if (current != nullptr) ++index;
    while (current == nullptr || index >= current->count) {
        if (!nextBatch()) return false;
    }
    readLines = item().readLines;
    position = item().filePos;
    return true;
}

route_step ListingSource::next()
{
    if (!nextLine()) return route_step::end;
    return readRoute();
}

route_step ListingSource::readRoute()
{
    const parsed_line& line = item();
    if (line.result != Parser::parsedOk) {
        reason = current->text.data() + line.reasonStart;
        if (line.result != bgpParser::notUnderstood) return route_step::error;
        ++skippedLines;
        return route_step::skipped;
    }
    if (line.columnsIndex != installedColumns) {
        restReader.setRowColumns(current->columns[line.columnsIndex]);
        installedColumns = line.columnsIndex;
    }
    const std::string_view text(current->text.data() + line.lineStart, line.lineLength);
    if (restReader.readRest(text, {line.shift, line.nextHopEnd}) != Parser::parsedOk) {
        ++restFailures;
        reason = restReader.errReason();
        return route_step::error;
    }
    currentRoute.prefix = line.prefix;
    currentRoute.origin = restReader.parsed.origin;
    currentRoute.path = restReader.pathItems();
    currentRoute.position.number = line.readLines;
    return route_step::route;
}

route_error ListingSource::error() const
{
    // The line up to an embedded NUL, as a C string would show it.
    const char* line = current->text.data() + item().lineStart;
    return {{item().readLines, std::nullopt}, std::string_view(line, std::strlen(line)), reason};
}

std::optional<std::string> ListingSource::readFailure() const
{
    if (failure.empty()) return std::nullopt;
    return failure;
}

std::vector<std::pair<std::string, std::uint64_t>> ListingSource::contentCounts() const
{
    if (skippedLines == 0) return {};
    return {{"lines not understood, skipped", skippedLines}};
}

std::optional<std::string> ListingSource::unreadWarning() const
{
    // Routes beyond the end of a table that a modern reading would have taken
    // are data lost without a word unless said.
    std::string text;
    if (unread.count > 0)
        text = std::to_string(unread.count) + " route lines from line " + std::to_string(unread.firstLine) +
               " on were not read (try --modern)";
    if (unread.outsideCount > 0)
        text.append(text.empty() ? "" : "\n")
            .append(std::to_string(unread.outsideCount))
            .append(" route lines from line ")
            .append(std::to_string(unread.outsideFirstLine))
            .append(" on stand after the end of a table and were not read");
    if (text.empty()) return std::nullopt;
    return text;
}
