#include "graph/relationships.h"

namespace {

std::string located(std::string_view message, std::uint64_t lineNumber, std::string_view text)
{
    std::string r(message);
    r.append(" on line ").append(std::to_string(lineNumber)).append(": `").append(text).push_back('\'');
    return r;
}

// The next '|'-separated field; none when the line has no more.
std::optional<std::string_view> nextField(std::string_view& rest, bool& more) noexcept
{
    if (!more) return std::nullopt;
    const std::size_t bar = rest.find('|');
    const std::string_view field = rest.substr(0, bar);
    more = bar != std::string_view::npos;
    rest = more ? rest.substr(bar + 1) : std::string_view();
    return field;
}

// Plain digits of an AS number at p, which moves past them.
bool plainAS(const char*& p, const char* end, asnum_t& as) noexcept
{
    const char* start = p;
    std::uint64_t value = 0;
    for (; p != end && static_cast<unsigned>(*p - '0') <= 9; ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    const auto digits = static_cast<std::size_t>(p - start);
    if (digits == 0 || digits > asnumber::maxDigits || value < 1 || value > asnumber::wideRange.highest) return false;
    as = static_cast<asnum_t>(value);
    return true;
}

} // namespace

std::optional<as_relationship> plainRelationship(std::string_view raw) noexcept
{
    const char* p = raw.data();
    const char* const end = p + raw.size();
    as_relationship r;
    if (!plainAS(p, end, r.first) || p == end || *p++ != '|') return std::nullopt;
    if (!plainAS(p, end, r.second) || p == end || *p++ != '|') return std::nullopt;
    if (p != end && *p == '0') {
        r.peers = true;
        ++p;
    } else if (end - p >= 2 && p[0] == '-' && p[1] == '1') {
        p += 2;
    } else {
        return std::nullopt;
    }
    if (p == end || *p == '\n' || *p == '\r') return r;
    if (*p != '|') return std::nullopt;
    // The fields after are not read, but a NUL before the line ends makes
    // it no text line.
    for (; p != end && *p != '\n' && *p != '\r'; ++p)
        if (*p == '\0') return std::nullopt;
    return r;
}

bool isRelationshipComment(std::string_view line) noexcept { return !line.empty() && line.front() == '#'; }

bool looksLikeRelationship(std::string_view line) noexcept
{
    return !isRelationshipComment(line) && line.find('|') != std::string_view::npos;
}

std::optional<as_relationship> parseRelationship(std::string_view line, std::uint64_t lineNumber, std::string& reason)
{
    std::string_view rest = line;
    bool more = true;
    const std::optional<std::string_view> a = nextField(rest, more);
    const std::optional<std::string_view> b = nextField(rest, more);
    const std::optional<std::string_view> rel = nextField(rest, more);
    if (!a || !b || !rel) {
        reason = located("Invalid relationship line format", lineNumber, line);
        return std::nullopt;
    }
    as_relationship r;
    const std::optional<asnum_t> first = asnumber::parse(*a, asnumber::wideRange);
    if (!first) {
        reason = located("Invalid AS number", lineNumber, *a);
        return std::nullopt;
    }
    const std::optional<asnum_t> second = asnumber::parse(*b, asnumber::wideRange);
    if (!second) {
        reason = located("Invalid AS number", lineNumber, *b);
        return std::nullopt;
    }
    if (*rel != "-1" && *rel != "0") {
        reason = located("Invalid relationship (-1 or 0 expected)", lineNumber, line);
        return std::nullopt;
    }
    r.first = *first;
    r.second = *second;
    r.peers = *rel == "0";
    return r;
}
