#pragma once
// Routes out of an MRT archive (RFC 6396): TABLE_DUMP_V2 RIB dumps, the older
// TABLE_DUMP, and BGP4MP / BGP4MP_ET update files. Each RIB entry, and each
// prefix an UPDATE announces, is one route_record; everything else is
// counted. Damage is reported as a parse error naming the record, and the
// reader goes on at the next record; an input cut inside a record ends with
// a read failure after everything before the cut.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parsers/bgpattrs.h"
#include "parsers/mrtframe.h"
#include "parsers/route.h"

struct mrt_parse_error {
    route_position position;          // the record's number and offset
    std::optional<mrt_header> header; // unless the input ended inside it
    std::string reason;
};

// What a file held, for -v.
struct mrt_counts {
    std::uint64_t records = 0;
    std::uint64_t peerIndexTables = 0;
    std::uint64_t ribRecords = 0;       // RIB_IPV4/IPV6_UNICAST, plain and ADD-PATH
    std::uint64_t ribEntries = 0;       // one route each
    std::uint64_t ribMulticast = 0;     // records skipped
    std::uint64_t ribGeneric = 0;       // records skipped
    std::uint64_t tableDumpEntries = 0; // TABLE_DUMP records, one route each
    std::uint64_t updates = 0;          // BGP UPDATE messages
    std::uint64_t announced = 0;        // prefixes announced by them: one route each
    std::uint64_t withdrawn = 0;
    std::uint64_t otherMessages = 0; // OPEN, KEEPALIVE, NOTIFICATION, ...
    std::uint64_t stateChanges = 0;
    std::uint64_t otherFamilies = 0;   // MP_REACH_NLRI of other SAFIs, skipped
    std::uint64_t hostBitsCleared = 0; // prefixes with bits set past their length
    std::uint64_t parseErrors = 0;
    std::map<std::uint32_t, std::uint64_t> otherRecords; // key: type << 16 | subtype
};

// Every count with its label (at most 24 characters, for a table), in a fixed
// order; the other record types one by one ("type 11 subtype 0 skipped").
void forEachCount(const mrt_counts& counts, const std::function<void(std::string_view, std::uint64_t)>& visit);

class MrtReader {
public:
    enum class event { route, parseError, end, readFailure };

    // `head`: bytes already taken from `source` to recognise it, read first.
    explicit MrtReader(ByteSource& source, std::string_view head = {});

    event next();
    // After event::route; valid until the next call.
    const route_record& route() const { return current; }
    // After event::parseError.
    const mrt_parse_error& error() const { return lastError; }
    // After event::readFailure: "truncated MRT record", or why the input
    // itself could not be read ("corrupt bzip2 data").
    const std::string& failure() const { return failureReason; }
    const mrt_counts& counts() const { return tally; }

private:
    enum class stage { between, ribEntries, updatePrefixes };
    struct nlri_field {
        WireCursor cursor;
        ip_family family = ip_family::ipv4;
    };

    // Each step yields an event, or nothing when it consumed its part of
    // the input without one (a record only counted, a field's end).
    using step = std::optional<event>;
    step frameNext();
    step beginRecord(std::span<const std::uint8_t> body);
    step beginTableDumpV2(std::span<const std::uint8_t> body);
    step beginRib(std::span<const std::uint8_t> body, ip_family family, bool addPath);
    step beginTableDump(std::span<const std::uint8_t> body);
    step beginBgp4mp(std::span<const std::uint8_t> body);
    step beginUpdate(WireCursor message, as_width width, bool addPath);
    step readPeerIndex(std::span<const std::uint8_t> body);
    step countWithdrawals(WireCursor withdrawn, ip_family family, bool addPath);
    step noteUnreach();
    step noteReach();
    step nextRibEntry();
    step nextAnnounced();
    step truncated();
    step countOther();
    event routeReady();
    event fail(std::string_view reason);

    ByteSource& source;
    MrtFramer framer;
    mrt_counts tally;
    stage at = stage::between;
    bool finished = false;
    bool failurePending = false;

    std::vector<route_peer> peers;
    bool havePeerIndex = false;

    WireCursor entries; // the rest of a RIB record
    std::uint16_t entriesLeft = 0;
    std::array<nlri_field, 2> announcements; // MP_REACH_NLRI, then NLRI
    std::size_t announcementField = 0;
    bool pathIds = false; // of the UPDATE being read

    bgp_attributes attributes;
    std::vector<ASItem> path;
    route_record current;
    mrt_parse_error lastError;
    std::string failureReason;
};
