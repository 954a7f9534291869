// fuzz-link: halcyn_parsers
// Any byte sequence through the MRT reader, delivered in uneven pieces: it
// ends, every route is well formed (a prefix within its family, no host
// bits, a position inside the input) and every record number only grows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "parsers/mrt.h"

namespace {

class PiecesSource final : public ByteSource {
public:
    PiecesSource(const std::uint8_t* bytes, std::size_t size, std::size_t piece)
        : data(bytes), left(size), pieceSize(piece)
    {
    }
    std::size_t read(char* buffer, std::size_t capacity) override
    {
        const std::size_t n = std::min({capacity, left, pieceSize});
        if (n > 0) std::memcpy(buffer, data, n);
        data += n;
        left -= n;
        taken += n;
        return n;
    }
    std::uint64_t consumed() const override { return taken; }

private:
    const std::uint8_t* data;
    std::size_t left;
    std::size_t pieceSize;
    std::uint64_t taken = 0;
};

void check(bool ok)
{
    if (!ok) std::abort();
}

void checkRoute(const route_record& route, std::size_t size, std::uint64_t number)
{
    check(route.prefix.length.has_value() && route.peer.has_value());
    const unsigned bits = route.prefix.network.family == ip_family::ipv4 ? 32 : 128;
    check(*route.prefix.length <= bits);
    route_address cleared = route.prefix.network;
    check(!bgpwire::clearHostBits(cleared, *route.prefix.length));
    check(route.position.number == number && route.position.byteOffset && *route.position.byteOffset < size);
    for (const ASItem& item : route.path)
        check((item.flags & ~(ASItem::PRIVATE | ASItem::IN_SET)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    // The first byte chooses how the input trickles in; the head handed
    // over, as a program that looked at the input first would.
    const std::size_t piece = 1 + data[0] % 64 * (data[0] >= 128 ? 1024 : 1);
    ++data;
    --size;
    const std::size_t headSize = std::min(size, MrtFramer::headerSize);
    looksLikeMrt({reinterpret_cast<const char*>(data), headSize});
    PiecesSource source(data + headSize, size - headSize, piece);
    MrtReader reader(source, {reinterpret_cast<const char*>(data), headSize});
    std::uint64_t lastNumber = 0;
    for (std::size_t events = 0;; ++events) {
        check(events <= 8 * size + 8);
        const MrtReader::event e = reader.next();
        if (e == MrtReader::event::end || e == MrtReader::event::readFailure) break;
        const std::uint64_t number =
            e == MrtReader::event::route ? reader.route().position.number : reader.error().position.number;
        check(number >= lastNumber && number <= size / MrtFramer::headerSize + 1);
        lastNumber = number;
        if (e == MrtReader::event::route)
            checkRoute(reader.route(), size, number);
        else
            check(!reader.error().reason.empty());
    }
    check(reader.next() == MrtReader::event::end);
    return 0;
}
