#include "parsers/mrtframe.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t initialBuffer = std::size_t{1} << 18;

std::uint32_t be32(const std::uint8_t* at)
{
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

std::uint16_t be16(const std::uint8_t* at) { return static_cast<std::uint16_t>((at[0] << 8) | at[1]); }

mrt_header readHeader(const std::uint8_t* at) { return mrt_header{be32(at), be16(at + 4), be16(at + 6), be32(at + 8)}; }

// The highest subtype of each type a reader of routes meets; the others
// (OSPF, IS-IS) have few subtypes.
struct known_type {
    std::uint16_t type;
    std::uint16_t lastSubtype;
    std::uint16_t firstSubtype;
    const char* name;
};

constexpr known_type knownTypes[] = {
    {11, 1, 0, "OSPFv2"},         {12, 2, 1, "TABLE_DUMP"}, // subtypes: AFI IPv4, IPv6
    {13, 12, 1, "TABLE_DUMP_V2"}, {16, 11, 0, "BGP4MP"},    {17, 11, 0, "BGP4MP_ET"}, {32, 2, 0, "ISIS"},
    {33, 2, 0, "ISIS_ET"},        {48, 1, 0, "OSPFv3"},     {49, 1, 0, "OSPFv3_ET"},
};

const known_type* findType(std::uint16_t type)
{
    const auto known = std::find_if(std::begin(knownTypes), std::end(knownTypes),
                                    [type](const known_type& k) { return k.type == type; });
    return known == std::end(knownTypes) ? nullptr : known;
}

} // namespace

MrtFramer::MrtFramer(ByteSource& input, std::string_view head)
    : source(input), buffer(std::max(initialBuffer, head.size()))
{
    std::memcpy(buffer.data(), head.data(), head.size());
    end = head.size();
}

bool MrtFramer::fill(std::size_t need)
{
    if (end - pos >= need) return true;
    if (pos + need > buffer.size()) {
        std::memmove(buffer.data(), buffer.data() + pos, end - pos);
        base += pos;
        end -= pos;
        pos = 0;
    }
    while (end - pos < need) {
        // The buffer grows with the bytes that arrive, not with what a
        // length field claims: a damaged length costs no memory.
        if (end == buffer.size()) buffer.resize(std::min(need, 2 * buffer.size()));
        const std::size_t got = source.read(reinterpret_cast<char*>(buffer.data() + end), buffer.size() - end);
        if (got == 0) return false;
        end += got;
    }
    return true;
}

bool MrtFramer::discard(std::uint64_t bytes)
{
    while (bytes > 0) {
        if (pos == end) {
            base += end;
            pos = end = 0;
            if (!fill(1)) return false;
        }
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, end - pos));
        pos += step;
        bytes -= step;
    }
    return true;
}

MrtFramer::result MrtFramer::next()
{
    ++count;
    recordOffset = base + pos;
    haveHeader = false;
    if (!fill(headerSize)) return end == pos ? result::end : result::truncated;
    current = readHeader(buffer.data() + pos);
    haveHeader = true;
    if (current.length > maxBody) {
        pos += headerSize;
        return discard(current.length) ? result::oversized : result::truncated;
    }
    if (!fill(headerSize + current.length)) return result::truncated;
    bodyAt = pos + headerSize;
    pos = bodyAt + current.length;
    return result::record;
}

bool looksLikeMrt(std::string_view head)
{
    if (head.size() < MrtFramer::headerSize) return false;
    const mrt_header h = readHeader(reinterpret_cast<const std::uint8_t*>(head.data()));
    const known_type* known = findType(h.type);
    return h.timestamp != 0 && known != nullptr && h.subtype >= known->firstSubtype &&
           h.subtype <= known->lastSubtype && h.length <= MrtFramer::maxBody;
}

const char* mrtTypeName(std::uint16_t type)
{
    const known_type* known = findType(type);
    return known != nullptr ? known->name : nullptr;
}
