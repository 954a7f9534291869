// The auxiliary record parsers: small line formats about AS adjacencies and
// AS paths. They share the line reader and its result codes with the dump
// parser but need no table state: every line stands on its own.
#include <charconv>
#include <cmath>

#include "parsers/fileparsers.h"
#include "parsers/textscan.h"

namespace {

// A covering value: a non-negative finite decimal floating-point number and
// nothing after it. NaN and infinity are refused: no covering can be either.
std::optional<double> coveringValue(std::string_view token)
{
    std::size_t pos = 0;
    while (pos < token.size() && textscan::isSpace(token[pos]))
        ++pos;
    if (pos < token.size() && token[pos] == '+') ++pos;
    double value = 0.0;
    const char* first = token.data() + pos;
    const char* last = token.data() + token.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value) || value < 0.0) return std::nullopt;
    return value;
}

// Reads `count` integers in C notation from the start of a line.
bool leadingIntegers(std::string_view line, long long* values, int count)
{
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i)
        if (!textscan::scanInteger(line, pos, values[i])) return false;
    return true;
}

bool isASValue(long long value)
{
    return value >= 0 && value <= static_cast<long long>(asnumber::classicRange.highest);
}

} // namespace

// ---------------------------------------------------------------------------
// satParser

int satParser::nextLine() { return nextLineLongerThan(5); }

int satParser::parseBadPath(textscan::Tokens& fields, std::string_view field)
{
    for (; !field.empty(); field = fields.next()) {
        const auto asn = asnumber::parse(field, asnumber::classicRange);
        if (!asn) return failQuoted(badValue, "Invalid AS number in bad AS path: `", field);
        parsed.asPath.enqueue(*asn);
    }
    return parsedOk;
}

int satParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk) return code;
    const std::string_view line(lineText);
    parsed.peering = false;
    parsed.badPath = false;
    textscan::Tokens fields(line);
    std::string_view field = fields.next();
    if (field.empty()) return fail(badStructure, "Line appears to be empty");

    parsed.peering = line.find(peerStr) != std::string_view::npos;
    parsed.badPath = line.find(badStr) != std::string_view::npos;
    if (parsed.peering || parsed.badPath) {
        // Both markers are two words long.
        fields.next();
        field = fields.next();
    }
    parsed.asPath.clear();
    if (parsed.badPath) return parseBadPath(fields, field);

    if (field.empty()) return fail(badStructure, "Unable to retrieve `from' AS number");
    const auto from = asnumber::parse(field, asnumber::classicRange);
    if (!from) return failQuoted(badValue, "Invalid AS number: `", field);
    parsed.fromAS = *from;

    fields.next();
    field = fields.next();
    if (field.empty()) return fail(badStructure, "Unable to retrieve `to' AS number");
    const auto to = asnumber::parse(field, asnumber::classicRange);
    if (!to) return failQuoted(badValue, "Invalid AS number: `", field);
    parsed.toAS = *to;

    if (!parsed.peering) {
        // Three fields the format does not define, then the reversed flag.
        for (int i = 0; i < 4; ++i) {
            field = fields.next();
            if (field.empty()) return fail(badStructure, "Unable to retrieve reversed flag");
        }
        const auto flag = textscan::decimalValue(field);
        if (!flag || (*flag != 0 && *flag != 1)) return failQuoted(badValue, "Invalid reversed flag: `", field);
        parsed.zeroFlag = *flag == 0;
    }

    field = fields.next();
    if (field.empty()) {
        parsed.covering1.reset();
        parsed.covering2.reset();
        return parsedOk;
    }
    const auto first = coveringValue(field);
    if (!first) return failQuoted(badValue, "Invalid edge covering value: `", field);
    parsed.covering1 = *first;

    fields.next();
    field = fields.next();
    if (field.empty()) return fail(badStructure, "Unable to retrieve edge covering properties");
    const auto second = coveringValue(field);
    if (!second) return failQuoted(badValue, "Invalid edge covering value: `", field);
    parsed.covering2 = *second;
    return parsedOk;
}

// ---------------------------------------------------------------------------
// vantageParser

int vantageParser::nextLine() { return nextLineLongerThan(4); }

int vantageParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk) return code;
    zeroFlag = false;
    long long values[3] = {};
    if (!leadingIntegers(lineText, values, 3))
        return fail(badStructure, "Unable to find either AS number and/or direction");
    for (int i = 0; i < 2; ++i)
        if (!isASValue(values[i])) return failQuoted(badValue, "Invalid AS number: `", values[i]);
    if (values[2] != 0 && values[2] != 1) return failQuoted(badValue, "Edge direction cannot be `", values[2]);
    secondAS = static_cast<asnum_t>(values[1]);
    firstAS = static_cast<asnum_t>(values[0]);
    zeroFlag = values[2] == 0;
    return parsedOk;
}

// ---------------------------------------------------------------------------
// pathParser

int pathParser::nextLine() { return nextLineLongerThan(0); }

int pathParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk) return code;
    parsed.asPath.clear();
    // A group in parentheses (private ASs of a confederation) is passed over
    // whole, from a field that opens it to a field that closes it.
    bool inParens = false;
    textscan::Tokens fields(lineText);
    for (std::string_view field = fields.next(); !field.empty(); field = fields.next()) {
        if (field.front() == '(') inParens = true;
        if (!inParens) {
            const auto asn = asnumber::parse(field, asnumber::classicRange);
            if (!asn) return failQuoted(badValue, "Invalid AS number: `", field);
            parsed.asPath.enqueue(*asn);
        }
        if (field.back() == ')') inParens = false;
    }
    return parsedOk;
}

// ---------------------------------------------------------------------------
// unknownParser

int unknownParser::nextLine() { return nextLineLongerThan(0); }

int unknownParser::parseLine()
{
    if (const int code = startParse(); code != parsedOk) return code;
    long long values[2] = {};
    if (!leadingIntegers(lineText, values, 2))
        return failQuoted(badStructure, "Invalid edge or AS number: `", lineText);
    for (const long long value : values)
        if (!isASValue(value)) return failQuoted(badValue, "Invalid AS number: `", value);
    firstAS = static_cast<asnum_t>(values[0]);
    secondAS = static_cast<asnum_t>(values[1]);
    return parsedOk;
}
