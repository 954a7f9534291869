#include "parsers/bgpattrs.h"

#include <limits>

namespace {

enum attribute_type : std::uint8_t {
    ATTR_ORIGIN = 1,
    ATTR_AS_PATH = 2,
    ATTR_MP_REACH = 14,
    ATTR_MP_UNREACH = 15,
    ATTR_AS4_PATH = 17,
};

enum segment_type : std::uint8_t { SEG_SET = 1, SEG_SEQUENCE = 2, SEG_CONFED_SEQUENCE = 3, SEG_CONFED_SET = 4 };

constexpr std::uint8_t extendedLength = 0x10;

constexpr const char* attributeOverrun = "attribute overruns the attributes";
constexpr const char* segmentOverrun = "AS path segment overruns its attribute";
constexpr const char* badSegmentType = "unknown AS path segment type";
constexpr const char* prefixOverrun = "prefix overruns its field";
constexpr const char* prefixTooLong = "prefix length beyond the address family";

constexpr std::uint8_t segmentFlags(std::uint8_t type)
{
    switch (type) {
    case SEG_SET: return ASItem::IN_SET;
    case SEG_CONFED_SEQUENCE: return ASItem::PRIVATE;
    case SEG_CONFED_SET: return ASItem::PRIVATE | ASItem::IN_SET;
    default: return 0;
    }
}

bool isConfederation(std::uint8_t type) { return type == SEG_CONFED_SEQUENCE || type == SEG_CONFED_SET; }

// How many ASs a segment adds to the path's length when paths are compared
// for the AS4_PATH merge: a set counts once, confederation segments not at all.
unsigned segmentUnits(std::uint8_t type, unsigned count)
{
    if (isConfederation(type)) return 0;
    return type == SEG_SET ? (count > 0 ? 1 : 0) : count;
}

asnum_t readAs(const std::uint8_t* at, as_width width)
{
    if (width == as_width::two) return static_cast<asnum_t>((at[0] << 8) | at[1]);
    return (asnum_t{at[0]} << 24) | (asnum_t{at[1]} << 16) | (asnum_t{at[2]} << 8) | at[3];
}

// Checks every segment of a path value and sums its units; with `findAsTrans`,
// says whether the path holds AS_TRANS. Null on success, else the reason.
const char* checkSegments(std::span<const std::uint8_t> value, as_width width, bool findAsTrans, unsigned& units,
                          bool& asTrans)
{
    WireCursor cursor(value);
    const auto size = static_cast<std::size_t>(width);
    units = 0;
    asTrans = false;
    while (!cursor.empty()) {
        std::uint8_t type = 0;
        std::uint8_t count = 0;
        std::span<const std::uint8_t> numbers;
        if (!cursor.u8(type) || !cursor.u8(count) || !cursor.take(count * size, numbers)) return segmentOverrun;
        if (type < SEG_SET || type > SEG_CONFED_SET) return badSegmentType;
        units += segmentUnits(type, count);
        for (std::size_t i = 0; findAsTrans && i < numbers.size(); i += size)
            asTrans = asTrans || readAs(numbers.data() + i, width) == bgpwire::asTrans;
    }
    return nullptr;
}

// Appends the leading segments of a checked path value, as long as `budget`
// units remain (a sequence may be cut short, a set is taken whole);
// confederation segments are dropped when `dropConfederations`.
void appendSegments(std::span<const std::uint8_t> value, as_width width, unsigned budget, bool dropConfederations,
                    std::vector<ASItem>& path)
{
    const auto size = static_cast<std::size_t>(width);
    const std::uint8_t* at = value.data();
    const std::uint8_t* const end = at + value.size();
    while (at < end && budget > 0) {
        const std::uint8_t type = at[0];
        unsigned count = at[1];
        at += 2;
        const std::uint8_t* const next = at + count * size;
        if (dropConfederations && isConfederation(type)) {
            at = next;
            continue;
        }
        if (type == SEG_SEQUENCE) count = std::min(count, budget);
        budget -= std::min(budget, segmentUnits(type, count));
        const std::uint8_t flags = segmentFlags(type);
        for (unsigned i = 0; i < count; ++i, at += size) {
            const asnum_t asn = readAs(at, width);
            path.push_back(
                ASItem{asn, static_cast<std::uint8_t>(flags | (asnumber::isPrivate(asn) ? ASItem::PRIVATE : 0))});
        }
        at = next;
    }
}

void keepFirst(bool& seen, std::span<const std::uint8_t>& slot, std::span<const std::uint8_t> value)
{
    if (!seen) slot = value;
    seen = true;
}

void noteAttribute(std::uint8_t type, std::span<const std::uint8_t> value, bgp_attributes& attributes)
{
    switch (type) {
    case ATTR_ORIGIN:
        if (!attributes.hasOrigin && value.size() == 1 && value[0] <= 2)
            attributes.origin = static_cast<std::uint8_t>(1u << value[0]);
        attributes.hasOrigin = true;
        break;
    case ATTR_AS_PATH: keepFirst(attributes.hasAsPath, attributes.asPath, value); break;
    case ATTR_AS4_PATH: keepFirst(attributes.hasAs4Path, attributes.as4Path, value); break;
    case ATTR_MP_REACH: keepFirst(attributes.hasMpReach, attributes.mpReach, value); break;
    case ATTR_MP_UNREACH: keepFirst(attributes.hasMpUnreach, attributes.mpUnreach, value); break;
    default: break;
    }
}

} // namespace

namespace bgpwire {

const char* splitAttributes(std::span<const std::uint8_t> block, bgp_attributes& attributes)
{
    attributes = bgp_attributes{};
    WireCursor cursor(block);
    while (!cursor.empty()) {
        std::uint8_t flags = 0;
        std::uint8_t type = 0;
        std::uint16_t length = 0;
        std::uint8_t shortLength = 0;
        if (!cursor.u8(flags) || !cursor.u8(type)) return attributeOverrun;
        const bool lengthRead = (flags & extendedLength) != 0 ? cursor.u16(length) : cursor.u8(shortLength);
        if (!lengthRead) return attributeOverrun;
        std::span<const std::uint8_t> value;
        if (!cursor.take((flags & extendedLength) != 0 ? length : shortLength, value)) return attributeOverrun;
        noteAttribute(type, value, attributes);
    }
    return nullptr;
}

const char* decodePath(const bgp_attributes& attributes, as_width width, std::vector<ASItem>& path)
{
    path.clear();
    unsigned units = 0;
    bool asTrans = false;
    // A 4-byte AS_PATH needs AS4_PATH only when a 2-byte speaker on the way
    // left AS_TRANS in it (an archive re-encodes what such a peer sent).
    const bool look = attributes.hasAs4Path && width == as_width::four;
    if (const char* reason = checkSegments(attributes.asPath, width, look, units, asTrans)) return reason;
    unsigned units4 = 0;
    bool unused = false;
    const bool merge = attributes.hasAs4Path && (width == as_width::two || asTrans);
    if (merge) {
        if (const char* reason = checkSegments(attributes.as4Path, as_width::four, false, units4, unused))
            return reason;
    }
    // The 4-byte path replaces the tail of the 2-byte one; a 4-byte path
    // longer than the 2-byte one cannot be right and is ignored.
    if (!merge || units4 > units) {
        appendSegments(attributes.asPath, width, std::numeric_limits<unsigned>::max(), false, path);
        return nullptr;
    }
    appendSegments(attributes.asPath, width, units - units4, false, path);
    appendSegments(attributes.as4Path, as_width::four, std::numeric_limits<unsigned>::max(), true, path);
    return nullptr;
}

const char* readPrefix(WireCursor& nlri, ip_family family, bool pathId, route_prefix& prefix, bool& hostBits)
{
    std::uint8_t bits = 0;
    if ((pathId && !nlri.skip(4)) || !nlri.u8(bits)) return prefixOverrun;
    const unsigned maxBits = family == ip_family::ipv4 ? 32 : 128;
    if (bits > maxBits) return prefixTooLong;
    const std::size_t bytes = (bits + 7u) / 8u;
    std::span<const std::uint8_t> significant;
    if (!nlri.take(bytes, significant)) return prefixOverrun;
    prefix.network.family = family;
    prefix.network.bytes = {};
    for (std::size_t i = 0; i < bytes; ++i)
        prefix.network.bytes[i] = significant[i];
    hostBits = bits % 8 != 0 && clearHostBits(prefix.network, bits);
    prefix.length = bits;
    return nullptr;
}

bool clearHostBits(route_address& address, unsigned length)
{
    bool cleared = false;
    for (std::size_t i = length / 8; i < address.bytes.size(); ++i) {
        const unsigned keep = i == length / 8 ? length % 8 : 0;
        const auto mask = static_cast<std::uint8_t>(0xff00u >> keep);
        cleared = cleared || (address.bytes[i] & ~mask) != 0;
        address.bytes[i] &= mask;
    }
    return cleared;
}

} // namespace bgpwire
