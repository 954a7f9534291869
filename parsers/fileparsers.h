#pragma once
// The parsers built on the line reader: the BGP table dump parser, the
// extractor's input, and four small parsers of auxiliary record files about
// AS adjacencies and AS paths. Each keeps the content of its last parsed line
// in a public record that the caller reads directly after parseLine gave 0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/asnumber.h"
#include "common/iptools.h"
#include "common/ipv6.h"
#include "common/smartstructs.h"
#include "parsers/parser.h"
#include "parsers/route.h"

namespace textscan {
class Tokens;
}

// Reader of the tabular listing a router prints of its BGP table. Fields are
// found by the columns of the captions in the table header, not by counting
// tokens, because empty optional columns are just runs of blanks.
//
// Each router family's listing is one entry of a table of families (its
// caption spellings, status area, number columns, the lines that end or
// interrupt a table, its wrap rules), chosen from the header line. By default
// only the classic listing is read: 16-bit ASs and the status characters of
// routeStatCodes. With setModern the families of today's routers are read
// as well: 32-bit ASs in asplain or asdot, the further status, path-type and
// validation characters, section lines inside a table; a line that looks
// like a route but cannot be read is a parse error, and a line not understood
// inside a table is skipped and reported rather than ending the table.
class bgpParser : public Parser {
public:
    // Route status bits: bit n for the character at index n of statusCodes.
    // The classic ones come first; the rest are read in modern mode only.
    static constexpr std::string_view routeStatCodes = "sdh*>iS=rR";
    static constexpr std::string_view statusCodes = "sdh*>iS=rRVNIbmxacftLel|&#E";
    static constexpr std::uint32_t STATUS_SUPPRESSED = 0x01;   // s
    static constexpr std::uint32_t STATUS_DAMPED = 0x02;       // d
    static constexpr std::uint32_t STATUS_HISTORY = 0x04;      // h
    static constexpr std::uint32_t STATUS_VALID = 0x08;        // *
    static constexpr std::uint32_t STATUS_BEST = 0x10;         // >
    static constexpr std::uint32_t STATUS_INTERNAL = 0x20;     // i
    static constexpr std::uint32_t STATUS_STALE = 0x40;        // S
    static constexpr std::uint32_t STATUS_MULTIPATH = 0x80;    // =
    static constexpr std::uint32_t STATUS_RIB_FAILURE = 0x100; // r
    static constexpr std::uint32_t STATUS_STALE_R = 0x200;     // R, stale in newer listings

    // Origin code bits: "i" 1, "e" 2, "?" 4.
    static constexpr std::string_view routeOriginCodes = "ie?";
    static constexpr std::uint8_t ORIGIN_IGP = 1;
    static constexpr std::uint8_t ORIGIN_EGP = 2;
    static constexpr std::uint8_t ORIGIN_INCOMPLETE = 4;

    // Classic caption texts; the index of a caption is its index in a
    // layout's columns.
    static constexpr std::array<std::string_view, 7> fieldCaptions = {"Network", "Next Hop", "Metric",  "LocPrf",
                                                                      "Weight",  "Path",     "--More--"};
    static constexpr std::string_view privateAS = "()";
    static constexpr std::string_view ASset = "{}";

    // parseLine's result for a line inside a table that is no route and no
    // line the family is known to print (modern mode only): it is skipped.
    static constexpr int notUnderstood = 6;
    static constexpr std::string_view notUnderstoodMessage = "Skipped; the table goes on";

    // The last parsed route.
    struct parsed_data {
        IPAddress network;
        std::optional<IPNetmask> routeMask; // none when no prefix length was printed
        std::optional<IPv6Prefix> network6; // an IPv6 route's network (modern mode); network is then unset
        IPAddress nextHop;                  // 0.0.0.0 when the listing shows none ("-", or IPv6)
        std::uint32_t status = 0;           // STATUS_* bits
        std::uint8_t origin = 0;            // ORIGIN_* bits
        std::optional<std::uint64_t> metric;
        std::optional<std::uint32_t> localPref; // 0 to 4294967295: LOCAL_PREF is 32 bits
        std::optional<std::int32_t> weight;     // 0 to 65535
        List<ASItem> path;                      // nearest AS first, origin AS last
    };

    // Route lines left unread that a modern reading would take: in classic
    // mode those of tables that modern mode reads on; in either mode those
    // after the end of a table (its summary or a prompt) and before the
    // next header.
    struct unread_routes {
        std::uint64_t firstLine = 0; // line number of the first, 0 when none
        std::uint64_t count = 0;
        std::uint64_t outsideFirstLine = 0;
        std::uint64_t outsideCount = 0;
    };

    // One router family's listing; defined with the table of families.
    struct listing_family;

    bgpParser() = default;
    ~bgpParser() override = default;

    // Reads today's listings too (see above). Set before the first nextLine.
    void setModern(bool on) { modern = on; }
    // What a modern reading would have taken that this one left unread, so
    // the caller can say so.
    const unread_routes& unreadRoutes() const { return unread; }
    // Modern mode: lines inside tables that were skipped as not understood.
    std::uint64_t linesNotUnderstood() const { return skippedLines; }

    // 0 when a route line (or, in modern mode, a line not understood inside a
    // table) is in lineText (line end removed), 1 at the end of the input, 2
    // when no input is open.
    int nextLine() override;
    // 0 when `parsed` holds the route of the current line; otherwise 1 to 6
    // with the reason in errReason().
    int parseLine() override;

    parsed_data parsed;
    // The network of the last parsed route as a route record carries it,
    // written in place (this runs for every route).
    void routePrefix(route_prefix& prefix) const;

    // The AS path of the last parsed route as one array: the items of
    // parsed.path, valid until the next parseLine.
    std::span<const ASItem> pathItems() const { return items; }
    // Whether parseLine also fills parsed.path (the default). A caller that
    // reads pathItems() only turns it off: the list would cost a second
    // write of every AS.
    void setPathList(bool on) { listPath = on; }
    // Whether parseLine stops once the next hop is read. The rest of the
    // route (the number columns and the AS path) is then read by
    // readRest, on another parser if the caller likes (one working on
    // another thread) that was given this parser's columns.
    void setRestDeferred(bool on) { deferRest = on; }

    // Where a family puts things, found from the last header line.
    using columns = std::array<int, 7>;
    struct table_layout {
        const listing_family* family = nullptr;
        columns column{};                           // one-based caption columns, 0 when absent
        std::array<std::size_t, 7> captionLength{}; // length of each caption as found
        std::size_t statusEnd = 0;                  // characters before the network: status, validation, path type
        std::size_t networkIndex = 0;               // zero-based start of the network
        std::size_t peerIndex = 0;                  // zero-based start of a peer column the path follows, 0 when none
    };
    // The columns of the table header in force: all readRest needs besides
    // the line. columnsVersion() changes whenever they may have.
    struct row_columns {
        table_layout layout;
    };
    row_columns rowColumns() const { return {layout}; }
    void setRowColumns(const row_columns& columns) { layout = columns.layout; }
    std::uint32_t columnsVersion() const { return headerCount; }
    // Where the rest of the current route stands: how far right of their
    // captions its fields are, and where its next hop ends.
    struct rest_mark {
        std::size_t shift = 0;
        std::size_t nextHopEnd = 0;
    };
    rest_mark restMark() const { return {shift, nextHopEnd}; }

    // Reads the rest of a route whose line parseLine cut short: `line` as
    // currentText() was then, `mark` as restMark(). Fills the number
    // columns, the origin and the path of parsed, and pathItems(); the result
    // and reason as parseLine's.
    int readRest(std::string_view line, rest_mark mark);

    // True once any table header was read: a dump without one (the wrong
    // file, CR-only line ends, UTF-16) yields no route and deserves a word.
    bool tableSeen() const { return anyHeader; }

private:
    enum caption { capNetwork, capNextHop, capMetric, capLocPrf, capWeight, capPath, capMore };
    enum class line_kind { route, section, quiet, end, other };

    // Finding tables, their sections and their rows (fileparsers.cpp).
    void readHeader(std::string_view line);
    line_kind classify(const table_layout& in, std::string_view line) const;
    bool statusAreaValid(const table_layout& in, std::string_view line) const;
    // The next physical line: one given back by holdLine first.
    bool fetchLine();
    // Gives the current line back, to be read again by the next fetchLine.
    void holdLine();

    // A row's status, network and next hop (fileparsers.cpp).
    int parseStatus(std::string_view line);
    int parseNetwork(std::string_view line, std::size_t start, std::size_t& networkLength);
    int parseNextHop(std::string_view line, std::size_t start);
    int parseNetwork6(std::string_view token);
    void forgetNetwork();
    int checkNextHop6(std::string_view token);
    static std::size_t knownSlot(std::string_view token);
    int takeNextHopLine(std::string_view& line, std::size_t nextHopIndex, std::size_t& offset,
                        std::size_t& nextHopStart);
    bool restOnNextLine(std::string_view line, std::size_t nextHopStart) const;
    int takeNumbersLine(std::string_view& line, std::size_t& offset);
    std::size_t rowOffset(std::string_view line) const;

    // Continuation lines and wrapped AS paths (listingwrap.cpp).
    int takeContinuation();
    int joinWrappedPath();
    void skipWrappedPath();

    // The number columns by their family's rule (listingcolumns.cpp); the
    // overlapping rule gives `misfit` when its captions do not fit the row,
    // which is then read by its own token boundaries.
    static constexpr int misfit = -1;
    int parseNumbersUnderLastLetter(std::string_view line, std::size_t shift);
    int parseNumbersOverlapping(std::string_view line, std::size_t shift, std::size_t pathIndex);
    int parseNumbersByTokens(std::string_view line, std::size_t shift, std::size_t& pathIndex);
    int storeNumber(int field, std::string_view token);
    void clearNumbers();

    // The AS path (listingpath.cpp). Open AS groups while a path is read.
    struct path_groups {
        bool inParens = false;
        bool inBraces = false;
    };
    // Reads `text` as the AS path of the current route: parsed.path (unless
    // turned off) and pathItems(), and parsed.origin.
    int readPath(std::string_view text);
    int scanPath(std::string_view text);
    int readPathToken(std::string_view token, std::string_view rest, path_groups& groups);
    // A token inside the group or set whose characters are `marks` (it opens
    // it, or the group is open): the open character taken off, a group
    // opened twice or inside the other kind refused.
    int enterGroup(std::string_view& token, std::string_view marks, bool& inGroup, bool inOther);
    // The close character of the group taken off a token that ends it.
    int leaveGroup(std::string_view& token, std::string_view marks, bool& inGroup);

    // Families that print a route as a record of keyed fields
    // (listingrecord.cpp): what one record gathered while its lines are read.
    struct record_state {
        bool network = false;
        bool nextHop = false;
        bool path = false;
        std::size_t pathAt = 0; // where the path starts on its line
    };
    bool opensRecord(std::string_view line);
    int parseRecord();
    // The next line of a record: its fields into `state`, or only the end
    // sought once `result` holds a fault.
    int nextRecordLine(record_state& state, int& result);
    int finishRecord(const record_state& state);
    int readRecordLine(std::string_view line, std::size_t at, record_state& state);
    int storeRecordField(int field, std::string_view value, record_state& state);
    int recordNetworkOf(const record_state& state);
    static line_kind recordLineKind(const listing_family& family, std::string_view line);

    // What a modern reading would take that this one leaves unread
    // (fileparsers.cpp).
    void noteClosedTableLine(std::string_view line);
    void noteOutsideLine(std::string_view line);
    bool restOfCountedRoute();
    bool modernWouldRead(std::string_view line);

    const listing_family& family() const { return *layout.family; }

    void resetInputState() override;

    // Whether a table header has been seen; a new input starts without a table.
    bool headerFound = false;
    std::optional<IPAddress> lastNetwork;
    std::optional<IPNetmask> lastNetmask;
    bool anyHeader = false;
    std::optional<IPv6Prefix> lastNetwork6; // set when the rows without a network belong to an IPv6 prefix
    // IPv6 next hops already found sound. A table names a few dozen next
    // hops (its peers) for a million routes: each is parsed once, not once
    // a route. Kept in place, without allocation; longer ones are not kept.
    struct known_next_hop {
        std::array<char, 48> bytes{};
        std::uint8_t size = 0;
        bool matches(std::string_view token) const
        {
            return token.size() == size && std::equal(token.begin(), token.end(), bytes.begin());
        }
        void remember(std::string_view token)
        {
            if (token.size() > bytes.size()) return;
            std::copy(token.begin(), token.end(), bytes.begin());
            size = static_cast<std::uint8_t>(token.size());
        }
    };
    static constexpr std::size_t knownNextHopCount = 64;
    std::array<known_next_hop, knownNextHopCount> knownNextHops{};
    std::size_t nextHopEnd = 0; // where the next hop of the current line ends
    bool modern = false;
    bool skipping = false;     // the current line is one not understood
    std::vector<ASItem> items; // the path being read
    bool listPath = true;
    bool deferRest = false;
    std::size_t shift = 0;         // how far right of their captions the current route's fields stand
    std::uint32_t headerCount = 0; // headers read or forgotten so far
    table_layout layout;           // the layout in force
    // Classic mode: the layout a modern reading would use, whether it would
    // still be inside a table, and whether its last route waits for the rest
    // of its line.
    table_layout modernLayout;
    bool modernTableOpen = false;
    bool tableEnded = false; // a table ended and no header came since
    bool modernContinues = false;
    unread_routes unread;
    std::uint64_t skippedLines = 0;
    std::string joined;        // a row and the path its terminal wrapped, put together
    std::string recordFirst;   // the first line of the record being read
    std::string recordFault;   // its line that holds a fault
    std::string recordNetwork; // its Network and PrefixLen fields
    std::string recordLength;
    std::string held;    // a line given back, with its line end
    std::string current; // the line given back, while it is the current line
};

// Edge records (two ASs, a reversed flag and optional covering values),
// candidate peering records and bad path records.
class satParser : public Parser {
public:
    static constexpr std::string_view peerStr = "candidate peering";
    static constexpr std::string_view badStr = "bad path:";

    struct parsed_data {
        asnum_t fromAS = 0;
        asnum_t toAS = 0;
        std::optional<double> covering1; // both absent when the line has none
        std::optional<double> covering2;
        bool zeroFlag = false; // the edge line's reversed flag is 0
        bool peering = false;  // a candidate peering line
        bool badPath = false;  // a bad path line
        List<asnum_t> asPath;  // the ASs of a bad path line
    };

    int nextLine() override;
    int parseLine() override;

    parsed_data parsed;

private:
    int parseBadPath(textscan::Tokens& fields, std::string_view field);
};

// Two AS numbers and a direction (0 or 1).
class vantageParser : public Parser {
public:
    int nextLine() override;
    int parseLine() override;

    asnum_t secondAS = 0;
    asnum_t firstAS = 0;
    bool zeroFlag = false; // the direction is 0
};

// One AS path per line; parenthesised groups are passed over.
class pathParser : public Parser {
public:
    struct parsed_data {
        List<asnum_t> asPath;
    };

    int nextLine() override;
    int parseLine() override;

    parsed_data parsed;
};

// Two AS numbers.
class unknownParser : public Parser {
public:
    int nextLine() override;
    int parseLine() override;

    asnum_t firstAS = 0;
    asnum_t secondAS = 0;
};
