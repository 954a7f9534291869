#pragma once
// The table of listing families and the layout model of a table: how each
// router family prints its BGP table (captions, status area, number
// columns, the lines that open a section or end a table, wrap rules, keyed
// records), and where a header line puts each field. A family is data: a
// new one is a row of todayFamilies, not code.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/asnumber.h"
#include "parsers/fileparsers.h"

namespace listing {

// Index of each status character in statusCodes, -1 for others: looked up
// for the first characters of every line. Indices below the length of
// routeStatCodes are the classic characters.
inline constexpr std::array<signed char, 256> statusIndex = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < bgpParser::statusCodes.size(); ++i)
        table[static_cast<unsigned char>(bgpParser::statusCodes[i])] = static_cast<signed char>(i);
    return table;
}();
static_assert(bgpParser::statusCodes.substr(0, bgpParser::routeStatCodes.size()) == bgpParser::routeStatCodes);
static_assert(bgpParser::statusCodes.size() <= 32, "status bits must fit their field");

inline int statusCode(char c) { return statusIndex[static_cast<unsigned char>(c)]; }

// Where the status characters of a row are looked for.
enum class status_area : std::uint8_t {
    firstThree,    // the first three characters; a repeated one makes no route
    beforeNetwork, // everything before the network (at least three characters)
    none,          // listings of what is sent to a neighbour have no status
};

// How the number columns (metric, local preference, weight) are read.
enum class number_rule : std::uint8_t {
    // A value is present when something stands under its caption's last
    // letter, where the numbers are right-aligned.
    underLastLetter,
    // The token that overlaps the caption ("-" for none): today's families
    // align numbers right, left or centred. A field boundary inside a token
    // gives way to the row's own token boundaries.
    overlapping,
};

struct caption_spelling {
    int field; // a caption index
    std::string_view text;
};

struct number_column {
    int field;         // a caption index
    long long highest; // 0: any unsigned 64-bit value
    bool always;       // printed on every row of today's listings
    std::string_view message;
};

enum : int { network, nextHop, metric, locPrf, weight, path, more };

inline constexpr number_column numberColumns[] = {
    {metric, 0, false, "Invalid metric value: `"},
    {locPrf, 4294967295LL, false, "Invalid local preference value: `"},
    {weight, 65535, true, "Invalid weight value: `"},
};

// Caption spellings by family, the first found of a field winning.
inline constexpr caption_spelling classicCaptions[] = {{network, "Network"}, {nextHop, "Next Hop"}, {metric, "Metric"},
                                                       {locPrf, "LocPrf"},   {weight, "Weight"},    {path, "Path"},
                                                       {more, "--More--"}};
// IOS-XR's flush-left "Next-hop", Arista's "LocPref" (which also picks its family).
inline constexpr caption_spelling todayCaptions[] = {
    {network, "Network"}, {nextHop, "Next Hop"}, {nextHop, "Next-hop"}, {nextHop, "Next-Hop"}, {metric, "Metric"},
    {locPrf, "LocPrf"},   {locPrf, "LocPref"},   {weight, "Weight"},    {path, "Path"},        {more, "--More--"}};
inline constexpr caption_spelling huaweiCaptions[] = {{network, "Network"}, {nextHop, "NextHop"}, {metric, "MED"},
                                                      {locPrf, "LocPrf"},   {weight, "PrefVal"},  {path, "Path/Ogn"},
                                                      {more, "--More--"}};

// Huawei VRP prints an IPv6 route not as a row under captions but as a
// record of "Key : value" pairs, two to a line; the status stands before
// the record's first key.
enum : int { prefixLength = more + 1, unused };

struct record_key {
    std::string_view label;
    int field; // a caption index, prefixLength, or unused for keys read over
};

struct record_layout {
    std::span<const record_key> keys; // the first one opens a record
    std::string_view pager;
};

inline constexpr record_key huaweiRecordKeys[] = {
    {"Network", network}, {"PrefixLen", prefixLength}, {"NextHop", nextHop},
    {"MED", metric},      {"LocPrf", locPrf},          {"PrefVal", weight},
    {"Path/Ogn", path},   {"Label", unused},           {"RelayNextHop", unused}};
inline constexpr record_layout huaweiRecords{huaweiRecordKeys, "---- More ----"};

// Lines that open a section inside a table (a VPN or VRF table), followed
// by more routes, and lines a table holds that say nothing about routes.
inline constexpr std::string_view todaySections[] = {"Route Distinguisher:", "VRF ",
                                                     "VRF:", "BGP routing table information for VRF"};
inline constexpr std::string_view huaweiSections[] = {"Route Distinguisher:", "VPN-Instance "};
inline constexpr std::string_view todayQuietLines[] = {"Route Distinguisher Version:"};
// Summaries, trailers and the banners of a next listing: they end a table.
inline constexpr std::string_view todayEndLines[] = {"Total number of prefixes",
                                                     "Total Number of Routes",
                                                     "Total number of routes",
                                                     "Displayed ",
                                                     "Processed ",
                                                     "BGP table version",
                                                     "BGP router identifier",
                                                     "BGP Local router ID",
                                                     "Status codes",
                                                     "Route status codes",
                                                     "Status:"};
} // namespace listing

struct bgpParser::listing_family {
    std::string_view signature;
    bool peerColumn; // the signature is a peer column the path follows
    std::span<const listing::caption_spelling> captions;
    listing::status_area status;
    std::size_t statusCount; // leading characters of statusCodes accepted
    listing::number_rule numbers;
    std::span<const listing::number_column> numberColumns;
    asnumber::as_range range;
    bool leftAligned;       // numbers start under their captions (rather than end under them)
    bool todayRows;         // trailing blanks, rows one column right, "-" and IPv6 next hops
    bool gluedOrigin;       // the origin code may be glued to the last AS
    bool originAlways;      // every row ends with an origin code: a path without one was wrapped
    std::size_t wrapWidth;  // the terminal width that cuts a row anywhere, even inside a token
    bool skipsUnknownLines; // a line not understood is skipped rather than ending the table
    std::span<const std::string_view> sections;
    std::span<const std::string_view> quietLines;
    std::span<const std::string_view> endLines;
    const listing::record_layout* record; // routes are records of keyed fields, not rows under captions
};

namespace listing {

using family_t = bgpParser::listing_family;

inline constexpr family_t classicFamily{"",
                                        false,
                                        classicCaptions,
                                        status_area::firstThree,
                                        bgpParser::routeStatCodes.size(),
                                        number_rule::underLastLetter,
                                        numberColumns,
                                        asnumber::classicRange,
                                        false,
                                        false,
                                        false,
                                        false,
                                        0,
                                        false,
                                        {},
                                        {},
                                        {},
                                        nullptr};

// A caption searched after the Network caption picks a family; the last
// family of a set has none and is taken when no other matches.
inline constexpr family_t todayFamilies[] = {
    // Huawei VRP IPv6 tables: one record per route, its path wrapped at 80
    // columns like the rows of its IPv4 tables.
    {"PrefixLen",
     false,
     {},
     status_area::beforeNetwork,
     bgpParser::statusCodes.size(),
     number_rule::overlapping,
     numberColumns,
     asnumber::wideRange,
     true,
     true,
     true,
     true,
     80,
     true,
     huaweiSections,
     todayQuietLines,
     todayEndLines,
     &huaweiRecords},
    // Huawei VRP: one-word "NextHop", MED and PrefVal, the origin glued to
    // the path, sessions captured at 80 columns.
    {"PrefVal", false, huaweiCaptions, status_area::beforeNetwork, bgpParser::statusCodes.size(),
     number_rule::overlapping, numberColumns, asnumber::wideRange, true, true, true, true, 80, true, huaweiSections,
     todayQuietLines, todayEndLines, nullptr},
    // Arista EOS: "LocPref", numbers left-aligned under their captions.
    {"LocPref", false, todayCaptions, status_area::beforeNetwork, bgpParser::statusCodes.size(),
     number_rule::overlapping, numberColumns, asnumber::wideRange, true, true, true, false, 0, true, todaySections,
     todayQuietLines, todayEndLines, nullptr},
    // What is sent to a neighbour (IOS-XR advertised-routes): no status, the
    // network flush with its caption, the path after the From column.
    {"From", true, todayCaptions, status_area::none, bgpParser::statusCodes.size(), number_rule::overlapping,
     numberColumns, asnumber::wideRange, false, true, true, false, 0, true, todaySections, todayQuietLines,
     todayEndLines, nullptr},
    // IOS, IOS-XE, IOS-XR, NX-OS, FRR.
    {"", false, todayCaptions, status_area::beforeNetwork, bgpParser::statusCodes.size(), number_rule::overlapping,
     numberColumns, asnumber::wideRange, false, true, true, false, 0, true, todaySections, todayQuietLines,
     todayEndLines, nullptr},
};

// The columns of `family`'s captions in a header line.
bgpParser::table_layout layoutOf(const family_t& family, std::string_view line);

// The family whose header `line` is, among today's families that print rows.
const family_t& todayFamilyOf(std::string_view line);

} // namespace listing
