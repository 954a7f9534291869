#include "parsers/mrt.h"

#include <algorithm>

namespace {

enum mrt_type : std::uint16_t { TABLE_DUMP = 12, TABLE_DUMP_V2 = 13, BGP4MP = 16, BGP4MP_ET = 17 };

enum table_dump_v2_subtype : std::uint16_t {
    PEER_INDEX_TABLE = 1,
    RIB_IPV4_UNICAST = 2,
    RIB_IPV4_MULTICAST = 3,
    RIB_IPV6_UNICAST = 4,
    RIB_IPV6_MULTICAST = 5,
    RIB_GENERIC = 6,
    RIB_IPV4_UNICAST_ADDPATH = 8,
    RIB_IPV4_MULTICAST_ADDPATH = 9,
    RIB_IPV6_UNICAST_ADDPATH = 10,
    RIB_IPV6_MULTICAST_ADDPATH = 11,
    RIB_GENERIC_ADDPATH = 12,
};

// BGP4MP subtypes 0 to 11: what each record holds.
enum class bgp4mp_kind : std::uint8_t { stateChange, message, obsolete };
struct bgp4mp_form {
    bgp4mp_kind kind;
    as_width width;
    bool addPath;
};
constexpr bgp4mp_form bgp4mpForms[] = {
    {bgp4mp_kind::stateChange, as_width::two, false},  // STATE_CHANGE
    {bgp4mp_kind::message, as_width::two, false},      // MESSAGE
    {bgp4mp_kind::obsolete, as_width::two, false},     // ENTRY
    {bgp4mp_kind::obsolete, as_width::two, false},     // SNAPSHOT
    {bgp4mp_kind::message, as_width::four, false},     // MESSAGE_AS4
    {bgp4mp_kind::stateChange, as_width::four, false}, // STATE_CHANGE_AS4
    {bgp4mp_kind::message, as_width::two, false},      // MESSAGE_LOCAL
    {bgp4mp_kind::message, as_width::four, false},     // MESSAGE_AS4_LOCAL
    {bgp4mp_kind::message, as_width::two, true},       // MESSAGE_ADDPATH
    {bgp4mp_kind::message, as_width::four, true},      // MESSAGE_AS4_ADDPATH
    {bgp4mp_kind::message, as_width::two, true},       // MESSAGE_LOCAL_ADDPATH
    {bgp4mp_kind::message, as_width::four, true},      // MESSAGE_AS4_LOCAL_ADDPATH
};

constexpr std::uint8_t bgpUpdate = 2;
constexpr std::size_t bgpHeaderSize = 19; // marker, length, type
constexpr std::uint8_t safiUnicast = 1;

// The reasons a record is reported, in one place.
constexpr std::string_view truncatedRecord = "truncated MRT record";
constexpr std::string_view pastTheEnd = "MRT record runs past the end of the input";
constexpr std::string_view overLimit = "MRT record length over 16 MiB";
constexpr std::string_view fieldOverrun = "field overruns its MRT record";
constexpr std::string_view entryOverrun = "RIB entry overruns its MRT record";
constexpr std::string_view leftOver = "MRT record longer than its contents";
constexpr std::string_view noPeerIndex = "RIB record before any peer index table";
constexpr std::string_view unknownPeer = "RIB entry names a peer not in the peer index table: ";
constexpr std::string_view unknownFamily = "unknown address family";
constexpr std::string_view shortMessage = "BGP message shorter than its header";
constexpr std::string_view messageOverrun = "BGP message overruns its MRT record";

// Record types whose header carries a microsecond field after the common header.
bool extendedTime(std::uint16_t type) { return type == BGP4MP_ET || type == 33 || type == 49; }

std::optional<ip_family> familyOf(std::uint16_t afi)
{
    if (afi == 1) return ip_family::ipv4;
    if (afi == 2) return ip_family::ipv6;
    return std::nullopt;
}

// The AFI and SAFI that open MP_REACH_NLRI and MP_UNREACH_NLRI: `unicast` is
// the family when they name IPv4 or IPv6 unicast, the only routes read.
bool readUnicastFamily(WireCursor& cursor, std::optional<ip_family>& unicast)
{
    std::uint16_t afi = 0;
    std::uint8_t safi = 0;
    if (!cursor.u16(afi) || !cursor.u8(safi)) return false;
    unicast = safi == safiUnicast ? familyOf(afi) : std::nullopt;
    return true;
}

std::size_t addressSize(ip_family family) { return family == ip_family::ipv4 ? 4 : 16; }

bool readAddress(WireCursor& cursor, ip_family family, route_address& address)
{
    std::span<const std::uint8_t> bytes;
    if (!cursor.take(addressSize(family), bytes)) return false;
    address.family = family;
    address.bytes = {};
    std::copy(bytes.begin(), bytes.end(), address.bytes.begin());
    return true;
}

bool readAs(WireCursor& cursor, as_width width, asnum_t& as)
{
    if (width == as_width::four) return cursor.u32(as);
    std::uint16_t narrow = 0;
    const bool read = cursor.u16(narrow);
    as = narrow;
    return read;
}

} // namespace

void forEachCount(const mrt_counts& counts, const std::function<void(std::string_view, std::uint64_t)>& visit)
{
    static constexpr std::pair<std::string_view, std::uint64_t mrt_counts::*> named[] = {
        {"MRT records", &mrt_counts::records},
        {"peer index tables", &mrt_counts::peerIndexTables},
        {"RIB records", &mrt_counts::ribRecords},
        {"RIB entries", &mrt_counts::ribEntries},
        {"multicast RIBs skipped", &mrt_counts::ribMulticast},
        {"generic RIBs skipped", &mrt_counts::ribGeneric},
        {"TABLE_DUMP entries", &mrt_counts::tableDumpEntries},
        {"UPDATE messages", &mrt_counts::updates},
        {"prefixes announced", &mrt_counts::announced},
        {"prefixes withdrawn", &mrt_counts::withdrawn},
        {"other BGP messages", &mrt_counts::otherMessages},
        {"state changes", &mrt_counts::stateChanges},
        {"other families skipped", &mrt_counts::otherFamilies},
        {"host bits cleared", &mrt_counts::hostBitsCleared},
        {"damaged records/entries", &mrt_counts::parseErrors},
    };
    for (const auto& [label, member] : named)
        visit(label, counts.*member);
    for (const auto& [key, count] : counts.otherRecords)
        visit("type " + std::to_string(key >> 16) + " subtype " + std::to_string(key & 0xffff) + " skipped", count);
}

MrtReader::MrtReader(ByteSource& input, std::string_view head) : source(input), framer(input, head)
{
    path.reserve(64);
}

MrtReader::event MrtReader::next()
{
    for (;;) {
        step produced;
        switch (at) {
        case stage::ribEntries: produced = nextRibEntry(); break;
        case stage::updatePrefixes: produced = nextAnnounced(); break;
        case stage::between: produced = frameNext(); break;
        }
        if (produced) return *produced;
    }
}

MrtReader::event MrtReader::routeReady()
{
    current.path = path;
    current.origin = attributes.origin;
    return event::route;
}

MrtReader::event MrtReader::fail(std::string_view reason)
{
    ++tally.parseErrors;
    lastError.position = current.position;
    lastError.header = framer.headerRead() ? std::optional<mrt_header>(framer.header()) : std::nullopt;
    lastError.reason.assign(reason);
    return event::parseError;
}

MrtReader::step MrtReader::frameNext()
{
    if (failurePending) {
        failurePending = false;
        return event::readFailure;
    }
    if (finished) return event::end;
    const MrtFramer::result framed = framer.next();
    current.position = {framer.number(), framer.offset()};
    switch (framed) {
    case MrtFramer::result::record: ++tally.records; return beginRecord(framer.body());
    case MrtFramer::result::oversized: ++tally.records; return fail(overLimit);
    case MrtFramer::result::truncated: return truncated();
    case MrtFramer::result::end: break;
    }
    finished = true;
    if (!source.failed()) return event::end;
    failureReason = source.failure();
    return event::readFailure;
}

// A record cut by the end of the input. When the input itself is damaged,
// its own reason says why; a clean end inside a record is the archive's
// damage, named as a record and then as the failure to read on.
MrtReader::step MrtReader::truncated()
{
    finished = true;
    if (source.failed()) {
        failureReason = source.failure();
        return event::readFailure;
    }
    failureReason.assign(truncatedRecord);
    failurePending = true;
    ++tally.records; // begun, and reported
    return fail(pastTheEnd);
}

MrtReader::step MrtReader::beginRecord(std::span<const std::uint8_t> body)
{
    const mrt_header& header = framer.header();
    if (extendedTime(header.type)) {
        if (body.size() < 4) return fail(fieldOverrun);
        body = body.subspan(4);
    }
    switch (header.type) {
    case TABLE_DUMP_V2: return beginTableDumpV2(body);
    case TABLE_DUMP: return beginTableDump(body);
    case BGP4MP:
    case BGP4MP_ET: return beginBgp4mp(body);
    default: return countOther();
    }
}

MrtReader::step MrtReader::countOther()
{
    const mrt_header& header = framer.header();
    ++tally.otherRecords[(std::uint32_t{header.type} << 16) | header.subtype];
    return std::nullopt;
}

MrtReader::step MrtReader::beginTableDumpV2(std::span<const std::uint8_t> body)
{
    switch (framer.header().subtype) {
    case PEER_INDEX_TABLE: return readPeerIndex(body);
    case RIB_IPV4_UNICAST: return beginRib(body, ip_family::ipv4, false);
    case RIB_IPV6_UNICAST: return beginRib(body, ip_family::ipv6, false);
    case RIB_IPV4_UNICAST_ADDPATH: return beginRib(body, ip_family::ipv4, true);
    case RIB_IPV6_UNICAST_ADDPATH: return beginRib(body, ip_family::ipv6, true);
    case RIB_IPV4_MULTICAST:
    case RIB_IPV6_MULTICAST:
    case RIB_IPV4_MULTICAST_ADDPATH:
    case RIB_IPV6_MULTICAST_ADDPATH: ++tally.ribMulticast; return std::nullopt;
    case RIB_GENERIC:
    case RIB_GENERIC_ADDPATH: ++tally.ribGeneric; return std::nullopt;
    default: return countOther();
    }
}

MrtReader::step MrtReader::readPeerIndex(std::span<const std::uint8_t> body)
{
    // A damaged table leaves no index: every RIB record after it is then
    // reported, rather than read against half a table.
    peers.clear();
    havePeerIndex = false;
    WireCursor cursor(body);
    std::uint32_t collector = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t count = 0;
    if (!cursor.u32(collector) || !cursor.u16(nameLength) || !cursor.skip(nameLength) || !cursor.u16(count))
        return fail(fieldOverrun);
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint8_t type = 0;
        route_peer peer;
        // The peer type's bits: an IPv6 address, a 4-byte AS number.
        if (!cursor.u8(type) || !cursor.skip(4) ||
            !readAddress(cursor, (type & 1) != 0 ? ip_family::ipv6 : ip_family::ipv4, peer.address) ||
            !readAs(cursor, (type & 2) != 0 ? as_width::four : as_width::two, peer.as)) {
            peers.clear();
            return fail(fieldOverrun);
        }
        peers.push_back(peer);
    }
    if (!cursor.empty()) {
        peers.clear();
        return fail(leftOver);
    }
    havePeerIndex = true;
    ++tally.peerIndexTables;
    return std::nullopt;
}

MrtReader::step MrtReader::beginRib(std::span<const std::uint8_t> body, ip_family family, bool addPath)
{
    if (!havePeerIndex) return fail(noPeerIndex);
    WireCursor cursor(body);
    std::uint32_t sequence = 0;
    bool hostBits = false;
    if (!cursor.u32(sequence)) return fail(fieldOverrun);
    if (const char* reason = bgpwire::readPrefix(cursor, family, false, current.prefix, hostBits)) return fail(reason);
    tally.hostBitsCleared += hostBits ? 1 : 0;
    if (!cursor.u16(entriesLeft)) return fail(fieldOverrun);
    ++tally.ribRecords;
    entries = cursor;
    pathIds = addPath;
    at = stage::ribEntries;
    return std::nullopt;
}

MrtReader::step MrtReader::nextRibEntry()
{
    if (entriesLeft == 0) {
        at = stage::between;
        return entries.empty() ? std::nullopt : step(fail(leftOver));
    }
    --entriesLeft;
    std::uint16_t peerIndex = 0;
    std::uint32_t originated = 0;
    std::uint16_t attributesLength = 0;
    std::span<const std::uint8_t> block;
    if (!entries.u16(peerIndex) || !entries.u32(originated) || (pathIds && !entries.skip(4)) ||
        !entries.u16(attributesLength) || !entries.take(attributesLength, block)) {
        at = stage::between;
        return fail(entryOverrun);
    }
    // The entry's own bounds are sound: whatever is wrong inside it, the
    // next entry can still be read.
    if (peerIndex >= peers.size()) return fail(std::string(unknownPeer) + std::to_string(peerIndex));
    if (const char* reason = bgpwire::splitAttributes(block, attributes)) return fail(reason);
    if (const char* reason = bgpwire::decodePath(attributes, as_width::four, path)) return fail(reason);
    ++tally.ribEntries;
    current.peer = peers[peerIndex];
    return routeReady();
}

MrtReader::step MrtReader::beginTableDump(std::span<const std::uint8_t> body)
{
    const std::optional<ip_family> family = familyOf(framer.header().subtype);
    if (!family) return countOther();
    WireCursor cursor(body);
    std::uint8_t length = 0;
    route_peer peer;
    std::uint16_t attributesLength = 0;
    std::span<const std::uint8_t> block;
    if (!cursor.skip(4) || !readAddress(cursor, *family, current.prefix.network) || !cursor.u8(length) ||
        !cursor.skip(5) || !readAddress(cursor, *family, peer.address) || !readAs(cursor, as_width::two, peer.as) ||
        !cursor.u16(attributesLength) || !cursor.take(attributesLength, block))
        return fail(fieldOverrun);
    if (!cursor.empty()) return fail(leftOver);
    if (length > 8 * addressSize(*family)) return fail("prefix length beyond the address family");
    current.prefix.length = length;
    tally.hostBitsCleared += bgpwire::clearHostBits(current.prefix.network, length) ? 1 : 0;
    if (const char* reason = bgpwire::splitAttributes(block, attributes)) return fail(reason);
    if (const char* reason = bgpwire::decodePath(attributes, as_width::two, path)) return fail(reason);
    ++tally.tableDumpEntries;
    current.peer = peer;
    return routeReady();
}

MrtReader::step MrtReader::beginBgp4mp(std::span<const std::uint8_t> body)
{
    const std::uint16_t subtype = framer.header().subtype;
    if (subtype >= std::size(bgp4mpForms) || bgp4mpForms[subtype].kind == bgp4mp_kind::obsolete) return countOther();
    const bgp4mp_form form = bgp4mpForms[subtype];
    if (form.kind == bgp4mp_kind::stateChange) {
        ++tally.stateChanges;
        return std::nullopt;
    }
    WireCursor cursor(body);
    route_peer peer;
    asnum_t local = 0;
    std::uint16_t afi = 0;
    if (!readAs(cursor, form.width, peer.as) || !readAs(cursor, form.width, local) || !cursor.skip(2) ||
        !cursor.u16(afi))
        return fail(fieldOverrun);
    const std::optional<ip_family> family = familyOf(afi);
    if (!family) return fail(unknownFamily);
    std::uint16_t length = 0;
    std::uint8_t type = 0;
    std::span<const std::uint8_t> message;
    if (!readAddress(cursor, *family, peer.address) || !cursor.skip(addressSize(*family)) || !cursor.skip(16) ||
        !cursor.u16(length) || !cursor.u8(type))
        return fail(fieldOverrun);
    if (length < bgpHeaderSize) return fail(shortMessage);
    if (!cursor.take(length - bgpHeaderSize, message)) return fail(messageOverrun);
    if (!cursor.empty()) return fail(leftOver);
    current.peer = peer;
    if (type != bgpUpdate) {
        ++tally.otherMessages;
        return std::nullopt;
    }
    return beginUpdate(WireCursor(message), form.width, form.addPath);
}

MrtReader::step MrtReader::beginUpdate(WireCursor message, as_width width, bool addPath)
{
    ++tally.updates;
    pathIds = addPath;
    std::uint16_t withdrawnLength = 0;
    std::uint16_t attributesLength = 0;
    std::span<const std::uint8_t> withdrawn;
    std::span<const std::uint8_t> block;
    if (!message.u16(withdrawnLength) || !message.take(withdrawnLength, withdrawn) || !message.u16(attributesLength) ||
        !message.take(attributesLength, block))
        return fail(fieldOverrun);
    if (const char* reason = bgpwire::splitAttributes(block, attributes)) return fail(reason);
    if (const step failed = countWithdrawals(WireCursor(withdrawn), ip_family::ipv4, addPath)) return failed;
    if (const step failed = noteUnreach()) return failed;
    announcements[0] = {};
    announcements[1] = {message, ip_family::ipv4};
    if (const step failed = noteReach()) return failed;
    if (announcements[0].cursor.empty() && announcements[1].cursor.empty()) return std::nullopt;
    if (const char* reason = bgpwire::decodePath(attributes, width, path)) return fail(reason);
    announcementField = 0;
    at = stage::updatePrefixes;
    return std::nullopt;
}

MrtReader::step MrtReader::countWithdrawals(WireCursor withdrawn, ip_family family, bool addPath)
{
    route_prefix prefix;
    bool hostBits = false;
    while (!withdrawn.empty()) {
        if (const char* reason = bgpwire::readPrefix(withdrawn, family, addPath, prefix, hostBits)) return fail(reason);
        ++tally.withdrawn;
    }
    return std::nullopt;
}

MrtReader::step MrtReader::noteUnreach()
{
    if (!attributes.hasMpUnreach) return std::nullopt;
    WireCursor cursor(attributes.mpUnreach);
    std::optional<ip_family> family;
    if (!readUnicastFamily(cursor, family)) return fail(fieldOverrun);
    return family ? countWithdrawals(cursor, *family, pathIds) : std::nullopt;
}

MrtReader::step MrtReader::noteReach()
{
    if (!attributes.hasMpReach) return std::nullopt;
    WireCursor cursor(attributes.mpReach);
    std::optional<ip_family> family;
    std::uint8_t nextHopLength = 0;
    if (!readUnicastFamily(cursor, family) || !cursor.u8(nextHopLength) || !cursor.skip(nextHopLength) ||
        !cursor.skip(1))
        return fail(fieldOverrun);
    if (!family) {
        ++tally.otherFamilies;
        return std::nullopt;
    }
    announcements[0] = {cursor, *family};
    return std::nullopt;
}

MrtReader::step MrtReader::nextAnnounced()
{
    while (announcementField < announcements.size()) {
        nlri_field& field = announcements[announcementField];
        if (field.cursor.empty()) {
            ++announcementField;
            continue;
        }
        bool hostBits = false;
        if (const char* reason = bgpwire::readPrefix(field.cursor, field.family, pathIds, current.prefix, hostBits)) {
            at = stage::between;
            return fail(reason);
        }
        tally.hostBitsCleared += hostBits ? 1 : 0;
        ++tally.announced;
        return routeReady();
    }
    at = stage::between;
    return std::nullopt;
}
