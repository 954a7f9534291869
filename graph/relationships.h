#pragma once
// Lines of an AS-relationship file, the researchers' usual AS graph: comment
// lines starting with '#', then one adjacency per line, "a|b|-1" when a is a
// provider of b, "a|b|0" when a and b are peers, optionally followed by more
// '|'-separated fields (how the link was inferred, ...), which are ignored.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/asnumber.h"

struct as_relationship {
    asnum_t first = 0;  // the provider, or a peer
    asnum_t second = 0; // the customer, or the other peer
    bool peers = false;
};

// A comment line: it carries nothing for the graph.
bool isRelationshipComment(std::string_view line) noexcept;

// What tells a relationship file from a graph file: its first line that is
// not a comment holds a '|'.
bool looksLikeRelationship(std::string_view line) noexcept;

// Parses a data line. On failure gives none, with a reason that names the
// line number and quotes the offending text.
std::optional<as_relationship> parseRelationship(std::string_view line, std::uint64_t lineNumber, std::string& reason);

// A line as it comes from the input (its line feed, if any, included) when it
// has the usual shape: "a|b|-1" or "a|b|0" in plain digits, maybe followed by
// more fields. None for any other line, which parseRelationship then reads;
// where both apply, they give the same relationship.
std::optional<as_relationship> plainRelationship(std::string_view raw) noexcept;
