// The reader of routes printed as records of keyed fields ("Network :
// 2001:db8::", "PrefixLen : 32", "NextHop : ...", "Path/Ogn : 65001 i"), two
// to a line, as Huawei VRP lists its IPv6 tables: where a record opens,
// which lines it takes, and the route its fields make.
#include <algorithm>
#include <optional>

#include "parsers/fileparsers.h"
#include "parsers/listingfamily.h"
#include "parsers/listinglines.h"
#include "parsers/listingtext.h"

using textscan::tokenAt;
using namespace listing;

namespace {

bool isStatusToken(std::string_view token)
{
    return !token.empty() && std::all_of(token.begin(), token.end(), [](char c) { return statusCode(c) >= 0; });
}

// Where a record line's first key stands: past its indent and the status
// tokens (" *>i Network : ..."); the line's size when nothing follows them.
std::size_t afterRecordStatus(std::string_view line)
{
    std::size_t at = 0;
    for (std::string_view token = tokenAt(line, 0, lineDelimiters); isStatusToken(token);
         token = tokenAt(line, at, lineDelimiters))
        at = static_cast<std::size_t>(token.data() - line.data()) + token.size();
    while (at < line.size() && isBlank(line[at]))
        ++at;
    return at;
}

struct record_key_at {
    int field;
    std::size_t valueAt; // just past the colon
};

// The key at `at` ("NextHop  :" or "NextHop:"), when it is one of the
// record's. Only known labels count: IPv6 values end with colons too.
std::optional<record_key_at> recordKeyAt(const record_layout& record, std::string_view line, std::size_t at)
{
    std::string_view label = tokenAt(line, at, lineDelimiters);
    if (label.size() < 2) return std::nullopt;
    std::size_t end = static_cast<std::size_t>(label.data() - line.data()) + label.size();
    const bool glued = label.back() == ':';
    if (glued) label.remove_suffix(1);
    // The label first: a value is followed by a long run of blanks, and
    // is no key whatever follows it.
    const auto key =
        std::find_if(record.keys.begin(), record.keys.end(), [label](const record_key& k) { return k.label == label; });
    if (key == record.keys.end()) return std::nullopt;
    if (!glued) {
        const std::string_view colon = tokenAt(line, end, lineDelimiters);
        if (colon != ":") return std::nullopt;
        end = static_cast<std::size_t>(colon.data() - line.data()) + 1;
    }
    return record_key_at{key->field, end};
}

// A "Word : value" line whose key the record does not name: a field this
// reader has no use for.
bool isOtherRecordField(std::string_view line, std::size_t at)
{
    const std::string_view label = tokenAt(line, at, lineDelimiters);
    const std::size_t end = static_cast<std::size_t>(label.data() - line.data()) + label.size();
    return !label.empty() && isLetter(label[0]) && (label.back() == ':' || tokenAt(line, end, lineDelimiters) == ":");
}

// The family whose records `line` opens: status tokens, then the record's
// first key.
const family_t* recordFamilyOf(std::string_view line)
{
    const std::size_t at = afterRecordStatus(line);
    for (const family_t& family : todayFamilies) {
        if (family.record == nullptr || at >= line.size() || line[at] != family.record->keys[0].label[0]) continue;
        const auto key = recordKeyAt(*family.record, line, at);
        if (key && key->field == family.record->keys[0].field) return &family;
    }
    return nullptr;
}

} // namespace

// Between records: the status line of a further path to the same network
// (nothing after the status), or its next hop line when that status line
// was too short to be kept, opens one; the rest is as in a table.
bgpParser::line_kind bgpParser::recordLineKind(const listing_family& family, std::string_view line)
{
    using kind = line_kind;
    if (isSectionLine(family, line)) return kind::section;
    const std::string_view text = withoutLineFeed(line);
    const std::size_t at = afterRecordStatus(text);
    if (at == text.size() && firstNonBlank(text) != std::string_view::npos) return kind::route;
    if (const auto key = recordKeyAt(*family.record, text, at); key && key->field == nextHop) return kind::route;
    const std::string_view content = withoutIndent(text);
    if (startsWithAny(content, family.endLines) || isPrompt(text)) return kind::end;
    return content.substr(0, family.record->pager.size()) == family.record->pager ? kind::quiet : kind::other;
}

bool bgpParser::opensRecord(std::string_view line)
{
    // Asked for every line: its first tokens tell, without a scan of the
    // whole line for its end.
    const family_t* records = recordFamilyOf(line);
    if (records == nullptr) return false;
    if (!headerFound || layout.family != records) {
        headerFound = true;
        anyHeader = true;
        ++headerCount;
        modernLayout = layoutOf(*records, {});
        layout = modernLayout;
        tableEnded = false;
    }
    return true;
}

int bgpParser::parseRecord()
{
    // The first line holds the status and the network (or, for a further
    // path to the same network, nothing or the next hop); the record ends
    // with its path. A fault in one field still takes the whole record, so
    // that its other lines are not read as lines of their own.
    recordFirst.assign(lineText);
    const std::string_view line(lineText);
    const std::size_t at = afterRecordStatus(line);
    parsed.status = 0;
    for (std::size_t i = 0; i < at; ++i)
        if (!isBlank(line[i])) parsed.status |= 1u << statusCode(line[i]);
    clearNumbers();
    recordNetwork.clear();
    recordLength.clear();
    record_state state;
    int result = readRecordLine(line, at, state);
    if (result == parsedOk) result = recordNetworkOf(state);
    if (result != parsedOk) recordFault.assign(line);
    while (!state.path) {
        if (const int next = nextRecordLine(state, result); next != parsedOk) return next;
    }
    if (result != parsedOk) {
        skipWrappedPath();
        lineText = recordFault;
        return result;
    }
    return finishRecord(state);
}

int bgpParser::nextRecordLine(record_state& state, int& result)
{
    const record_layout& record = *family().record;
    if (!fetchLine()) {
        lineText = result != parsedOk ? recordFault : recordFirst;
        return result != parsedOk ? result : fail(endInRecord, "Unexpected end of file (Path/Ogn expected)");
    }
    const std::string_view line = withoutLineFeed(lineText);
    const std::size_t first = firstNonBlank(line);
    const auto key = first == std::string_view::npos ? std::nullopt : recordKeyAt(record, line, first);
    if (first == std::string_view::npos || line.substr(first, record.pager.size()) == record.pager ||
        (!key && isOtherRecordField(line, first))) {
        ++parsedCount;
        return parsedOk;
    }
    if (!key || key->field == record.keys[0].field) {
        // A new record or a line that belongs to none: this one is cut short.
        holdLine();
        lineText = result != parsedOk ? recordFault : recordFirst;
        return result != parsedOk ? result : fail(badStructure, "Route record without Path/Ogn");
    }
    ++parsedCount;
    lineText = line;
    if (result != parsedOk) {
        state.path = key->field == path;
        return parsedOk;
    }
    result = readRecordLine(line, first, state);
    if (result != parsedOk) recordFault.assign(line);
    return parsedOk;
}

int bgpParser::finishRecord(const record_state& state)
{
    if (!state.nextHop) return fail(badStructure, "Route record without NextHop");
    shift = 0;
    nextHopEnd = state.pathAt;
    if (family().originAlways && !endsWithOrigin(lineText))
        if (const int result = joinWrappedPath(); result != parsedOk) return result;
    if (!deferRest)
        if (const int result = readRest(lineText, restMark()); result != parsedOk) return result;
    ++parsedCount;
    return parsedOk;
}

int bgpParser::readRecordLine(std::string_view line, std::size_t at, record_state& state)
{
    const record_layout& record = *family().record;
    while (const auto key = recordKeyAt(record, line, at)) {
        if (key->field == path) {
            state.path = true;
            state.pathAt = key->valueAt;
            return parsedOk;
        }
        at = key->valueAt;
        std::string_view value = tokenAt(line, at, lineDelimiters);
        if (!value.empty() && recordKeyAt(record, line, at))
            value = {}; // the next key: this one has no value
        else if (!value.empty())
            at = static_cast<std::size_t>(value.data() - line.data()) + value.size();
        if (const int result = storeRecordField(key->field, value, state); result != parsedOk) return result;
    }
    const std::string_view rest = tokenAt(line, at, lineDelimiters);
    return rest.empty() ? parsedOk : failQuoted(badStructure, "Not a field of a route record: `", rest);
}

int bgpParser::storeRecordField(int field, std::string_view value, record_state& state)
{
    switch (field) {
    case network:
        state.network = true;
        recordNetwork.assign(value);
        return parsedOk;
    case prefixLength: recordLength.assign(value); return parsedOk;
    case nextHop:
        if (value.empty()) return parsedOk;
        state.nextHop = true;
        nextHopEnd = 0;
        return checkNextHop6(value);
    case metric:
    case locPrf:
    case weight: return value.empty() ? parsedOk : storeNumber(field, value);
    default: return parsedOk;
    }
}

int bgpParser::recordNetworkOf(const record_state& state)
{
    // An empty Network field, or none, is a further path to the last one.
    if (!state.network || recordNetwork.empty()) {
        if (!lastNetwork6) return fail(badStructure, "Could not retrieve any previous network value");
        parsed.network6 = lastNetwork6;
        return parsedOk;
    }
    // The paths after a network that cannot be read belong to it, not to
    // the one before.
    forgetNetwork();
    if (recordLength.empty()) return failQuoted(badStructure, "Network without PrefixLen: `", recordNetwork);
    recordNetwork.append("/").append(recordLength);
    return parseNetwork6(recordNetwork);
}
