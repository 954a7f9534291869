// The rest of a row after its next hop: the number columns (metric, local
// preference, weight) by the family's rule, or by the row's own blanks where
// its captions do not fit it, and where its AS path starts.
#include <algorithm>
#include <optional>
#include <utility>

#include "parsers/fileparsers.h"
#include "parsers/listingfamily.h"
#include "parsers/listingtext.h"

using textscan::tokenAt;
using namespace listing;

namespace {

// A token of a row with its place.
struct placed_token {
    std::string_view text;
    std::size_t start = 0;
    std::size_t end = 0; // one past its last character
};

// Whether a token can stand in a number column: "-" for none, or a number
// within the column's limit.
bool fitsColumn(std::string_view token, const number_column& column)
{
    if (token == "-") return true;
    if (token.empty() || !std::all_of(token.begin(), token.end(), isDigit)) return false;
    if (column.highest == 0) return textscan::unsignedValue(token).has_value();
    const auto value = textscan::decimalValue(token);
    return value && *value <= column.highest;
}

} // namespace

int bgpParser::readRest(std::string_view line, rest_mark mark)
{
    clearReason();
    // A record's numbers were read with its other fields; its path line
    // starts the path at the mark.
    if (family().record != nullptr) return readPath(line.substr(std::min(mark.nextHopEnd, line.size())));
    const std::size_t offset = mark.shift;
    // Where the next hop ends bounds the numbers after it.
    nextHopEnd = std::min(mark.nextHopEnd, line.size());
    // A path never starts inside a token: where its column falls in one, the
    // row is not where its captions are.
    const bool pathColumn = layout.peerIndex == 0 && layout.column[capPath] != 0;
    std::size_t pathIndex =
        pathColumn ? static_cast<std::size_t>(layout.column[capPath]) - 1 + offset : std::string_view::npos;
    const bool cut = pathColumn && pathIndex > nextHopEnd && pathIndex < line.size() && !isBlank(line[pathIndex]) &&
                     !isBlank(line[pathIndex - 1]);
    if (family().numbers == number_rule::underLastLetter) {
        if (const int result = parseNumbersUnderLastLetter(line, offset); result != parsedOk) return result;
    } else {
        int result = cut ? misfit : parseNumbersOverlapping(line, offset, pathIndex);
        if (result == misfit && pathColumn) result = parseNumbersByTokens(line, offset, pathIndex);
        if (result == misfit) return fail(badStructure, "Number columns do not fit their captions in this row");
        if (result != parsedOk) return result;
    }
    if (layout.peerIndex > 0) {
        // The path follows the neighbour's address in the peer column.
        const std::string_view from = tokenAt(line, layout.peerIndex + offset, lineDelimiters);
        if (from.empty()) return fail(badStructure, "No AS path");
        pathIndex = static_cast<std::size_t>(from.data() - line.data()) + from.size();
    } else {
        if (layout.column[capPath] == 0) return fail(badStructure, "Could not determine position of the AS path field");
        if (line.size() < pathIndex + 1) return fail(badStructure, "No AS path");
        if (cut && family().numbers == number_rule::underLastLetter)
            return failQuoted(badStructure, "AS path column starts inside a token: `",
                              tokenAt(line, line.find_last_of(" \t", pathIndex) + 1, lineDelimiters));
    }
    return readPath(line.substr(pathIndex));
}

int bgpParser::storeNumber(int field, std::string_view token)
{
    const auto* column = std::find_if(std::begin(numberColumns), std::end(numberColumns),
                                      [field](const number_column& c) { return c.field == field; });
    if (column->highest == 0) {
        const auto value = textscan::unsignedValue(token);
        if (!value) return failQuoted(badValue, column->message, token);
        parsed.metric = *value;
        return parsedOk;
    }
    const auto value = textscan::decimalValue(token);
    if (!value || *value < 0 || *value > column->highest) return failQuoted(badValue, column->message, token);
    if (field == locPrf)
        parsed.localPref = static_cast<std::uint32_t>(*value);
    else
        parsed.weight = static_cast<std::int32_t>(*value);
    return parsedOk;
}

void bgpParser::clearNumbers()
{
    parsed.metric.reset();
    parsed.localPref.reset();
    parsed.weight.reset();
}

int bgpParser::parseNumbersUnderLastLetter(std::string_view line, std::size_t shift)
{
    const columns& column = layout.column;
    // A value is present when something stands under the caption's last
    // letter: the numbers are right-aligned there.
    const auto present = [&](int field) {
        const auto at = static_cast<std::size_t>(column[static_cast<std::size_t>(field)]);
        if (at == 0 || line.size() < at) return false;
        return !isBlank(charAt(line, at - 1 + fieldCaptions[static_cast<std::size_t>(field)].size() - 1 + shift));
    };
    clearNumbers();
    // Metrics can be wider than their caption: the number may begin left of
    // the caption's first column, so its start is searched leftwards.
    if (present(metric)) {
        std::size_t start = static_cast<std::size_t>(column[capMetric]) - 1 + shift;
        while (start > 0 && charAt(line, start) != ' ')
            --start;
        if (const int result = storeNumber(metric, tokenAt(line, start, lineDelimiters)); result != parsedOk)
            return result;
    }
    if (present(locPrf)) {
        // So can a local preference (32 bits, up to 10 digits), but never
        // reaching back under the Metric caption.
        const std::size_t metricEnd =
            column[capMetric] > 0 && column[capMetric] < column[capLocPrf]
                ? static_cast<std::size_t>(column[capMetric]) - 1 + fieldCaptions[capMetric].size() + shift
                : 0;
        std::size_t start = static_cast<std::size_t>(column[capLocPrf]) - 1 + shift;
        while (start > metricEnd && !isBlank(charAt(line, start)) && !isBlank(charAt(line, start - 1)))
            --start;
        if (const int result = storeNumber(locPrf, tokenAt(line, start, lineDelimiters)); result != parsedOk)
            return result;
    }
    if (present(weight))
        return storeNumber(weight,
                           tokenAt(line, static_cast<std::size_t>(column[capWeight]) - 1 + shift, lineDelimiters));
    return parsedOk;
}

int bgpParser::parseNumbersOverlapping(std::string_view line, std::size_t offset, std::size_t pathIndex)
{
    // The token that overlaps the caption, or in a family that aligns its
    // numbers left, the one that starts under it (a wide number reaches
    // under the next caption). A long next hop may reach under the Metric
    // caption; it is never taken for a number.
    const bool left = family().leftAligned;
    const auto valueUnder = [&](int field) -> placed_token {
        const auto index = static_cast<std::size_t>(field);
        if (layout.column[index] == 0) return {};
        const std::size_t column = static_cast<std::size_t>(layout.column[index]) - 1 + offset;
        const std::size_t last = column + layout.captionLength[index] - 1;
        for (std::size_t i = std::max(column, nextHopEnd); i <= last && i < line.size(); ++i) {
            if (isBlank(line[i]) || (left && i > 0 && !isBlank(line[i - 1]))) continue;
            std::size_t start = i;
            while (start > nextHopEnd && !isBlank(line[start - 1]))
                --start;
            const std::string_view token = tokenAt(line, start, lineDelimiters);
            return {token, start, start + token.size()};
        }
        return {};
    };
    clearNumbers();
    std::size_t lastEnd = nextHopEnd;
    long long push = -1; // how far right of its caption's end the last number ends
    bool missingAlways = false;
    for (const number_column& column : family().numberColumns) {
        const placed_token value = valueUnder(column.field);
        if (value.text.empty()) {
            missingAlways =
                missingAlways || (column.always && layout.column[static_cast<std::size_t>(column.field)] != 0);
            continue;
        }
        // One token under two captions, a number reaching into the path, or
        // in a family that aligns numbers right, one further left of its
        // caption's last letter than the number before: the captions do not
        // fit this row.
        const auto captionEnd =
            static_cast<long long>(layout.column[static_cast<std::size_t>(column.field)]) +
            static_cast<long long>(offset + layout.captionLength[static_cast<std::size_t>(column.field)]) - 1;
        const long long away = static_cast<long long>(value.end) - captionEnd;
        if (value.start < lastEnd || value.end > pathIndex || (!left && away < push)) return misfit;
        lastEnd = value.end;
        push = away;
        if (value.text == "-") continue;
        if (const int result = storeNumber(column.field, value.text); result != parsedOk) return result;
    }
    // Nor does a path that starts left of where the numbers put it: a row
    // two columns right of its captions puts its weight where the path
    // should start.
    const std::size_t pathStart = pathIndex < line.size() ? line.find_first_not_of(" \t", pathIndex) : pathIndex;
    if (!left && pathStart != std::string_view::npos && pathIndex < line.size() &&
        static_cast<long long>(pathStart - pathIndex) < push)
        return misfit;
    // A weight every row prints is missing, and a one-digit number starts
    // the path: it may be that weight, two columns right of its caption.
    const std::string_view first = pathStart == pathIndex ? tokenAt(line, pathIndex, lineDelimiters) : "";
    if (!left && missingAlways && first.size() == 1 && isDigit(first[0]))
        return failQuoted(badStructure, "A weight two columns off or the first AS of the path, cannot tell: `", first);
    return parsedOk;
}

int bgpParser::parseNumbersByTokens(std::string_view line, std::size_t offset, std::size_t& pathIndex)
{
    // The row's own blanks are the truth: its first tokens after the next
    // hop are the numbers, each under a caption, the path what follows the
    // last. A number wider than its field pushes the rest of the row right
    // and nothing pushes it back, so the distance of each token's aligned
    // edge from its caption's (and of the path from its caption) never
    // shrinks along the row. The one split of tokens that keeps to that is taken;
    // none or several leave the row unread.
    const std::span<const number_column> columns = family().numberColumns;
    std::array<placed_token, 4> tokens{};
    std::size_t count = 0;
    for (std::size_t at = nextHopEnd; count < tokens.size();) {
        const std::string_view token = tokenAt(line, at, lineDelimiters);
        if (token.empty()) break;
        const auto start = static_cast<std::size_t>(token.data() - line.data());
        tokens[count++] = {token, start, start + token.size()};
        at = start + token.size();
    }
    const bool left = family().leftAligned;
    const auto distance = [&](const placed_token& token, int field) {
        const auto index = static_cast<std::size_t>(field);
        const long long start = static_cast<long long>(layout.column[index]) - 1;
        return left ? static_cast<long long>(token.start) - start
                    : static_cast<long long>(token.end) - start - static_cast<long long>(layout.captionLength[index]);
    };
    const auto pathColumn = static_cast<long long>(layout.column[capPath]) - 1;
    const long long lowest = static_cast<long long>(offset) - 2; // pasted text sits a column or two off
    std::optional<std::pair<unsigned, std::size_t>> found;       // columns taken (bits), tokens taken
    bool ambiguous = false;
    for (unsigned taken = 1; taken < (1u << columns.size()); ++taken) {
        std::size_t used = 0;
        long long push = lowest;
        bool fits = true;
        bool missing = false; // a column printed on every row left out
        for (std::size_t c = 0; c < columns.size() && fits; ++c) {
            const bool present = layout.column[static_cast<std::size_t>(columns[c].field)] != 0;
            if ((taken & (1u << c)) == 0) {
                missing = missing || (columns[c].always && present);
                continue;
            }
            fits = present && used < count && fitsColumn(tokens[used].text, columns[c]);
            if (!fits) break;
            const long long away = distance(tokens[used], columns[c].field);
            fits = away >= push;
            push = away;
            ++used;
        }
        // No AS number starts with 0, and "-" stands for a missing number.
        // A column every row prints is left out only before a path that
        // does not start with a number, which it could be.
        if (!fits || used >= count || static_cast<long long>(tokens[used].start) - pathColumn < push ||
            tokens[used].text[0] == '0' || tokens[used].text[0] == '-' || (missing && isDigit(tokens[used].text[0])))
            continue;
        if (found && tokens[found->second].start != tokens[used].start) ambiguous = true;
        if (!found) found = std::make_pair(taken, used);
    }
    if (!found || ambiguous)
        return fail(badStructure, found ? "Number columns and AS path cannot be told apart in this row"
                                        : "Number columns do not fit their captions in this row");
    clearNumbers();
    std::size_t used = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if ((found->first & (1u << c)) == 0) continue;
        const std::string_view text = tokens[used++].text;
        if (text == "-") continue;
        if (const int result = storeNumber(columns[c].field, text); result != parsedOk) return result;
    }
    pathIndex = tokens[found->second].start;
    return parsedOk;
}
