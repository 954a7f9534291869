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

} // namespace

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
