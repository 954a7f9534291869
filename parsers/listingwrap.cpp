// Routes that go on past their line: the continuation line a long network
// or next hop pushes the rest onto, and AS paths a terminal wrapped at its
// width, joined back into one row.
#include "parsers/fileparsers.h"
#include "parsers/listinglines.h"
#include "parsers/listingtext.h"

using namespace listing;

int bgpParser::takeContinuation()
{
    // The route goes on in the next line that is neither short nor a pager line.
    while (fetchLine()) {
        ++parsedCount;
        if (lineText.size() < 4 || lineText.find(fieldCaptions[capMore]) != std::string_view::npos) continue;
        const std::size_t n = lineText.size();
        if (lineText[n - 2] == '\n' || lineText[n - 2] == '\r')
            lineText.remove_suffix(2);
        else if (lineText[n - 1] == '\n' || lineText[n - 1] == '\r')
            lineText.remove_suffix(1);
        if (lineTruncated) return failTruncated();
        return parsedOk;
    }
    return fail(endInRecord, "Unexpected end of file (next hop expected)");
}

int bgpParser::joinWrappedPath()
{
    // A terminal cuts a row at its width wherever that falls, even inside an
    // AS number: the next line then holds nothing but the rest of the path.
    // A row cut short of that width was cut between tokens only when a blank
    // shows it; otherwise the cut cannot be placed and the route is refused.
    joined.assign(lineText);
    std::size_t piece = joined.size();
    while (!endsWithOrigin(joined)) {
        if (!fetchLine()) {
            lineText = joined;
            return fail(endInRecord, "Unexpected end of file (rest of a wrapped AS path expected)");
        }
        const std::string_view rest = withoutLineEnd(lineText);
        if (!onlyPathText(rest)) {
            holdLine();
            lineText = joined;
            return fail(badStructure, "AS path without an origin code, and no rest of it on the next line");
        }
        ++parsedCount;
        if (!isBlank(joined.back()) && !isBlank(rest.front()) && piece != family().wrapWidth) {
            // Shown as the two lines it came in.
            joined.append("\n").append(rest);
            lineText = joined;
            return fail(badStructure, "AS path wrapped at a width that does not show where it was cut");
        }
        joined.append(rest);
        piece = rest.size();
    }
    lineText = joined;
    return parsedOk;
}

void bgpParser::skipWrappedPath()
{
    // The rest of a faulty record's path, wrapped onto lines of its own.
    std::string_view last = lineText;
    while (!endsWithOrigin(last) && fetchLine()) {
        last = withoutLineFeed(lineText);
        if (!onlyPathText(last)) {
            holdLine();
            return;
        }
        ++parsedCount;
    }
}
