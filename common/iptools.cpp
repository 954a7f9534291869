#include "common/iptools.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

constexpr std::uint32_t topAddress = 0xFFFFFFFFu;

std::uint32_t valueOf(const std::array<std::uint8_t, 4>& o)
{
    return (std::uint32_t{o[0]} << 24) | (std::uint32_t{o[1]} << 16) | (std::uint32_t{o[2]} << 8) | std::uint32_t{o[3]};
}

std::array<std::uint8_t, 4> octetsOf(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

// A partial netmask octet is ones then zeros: its negation modulo 256 is a
// single bit (128 -> 128, 192 -> 64, ..., 254 -> 2).
bool isPartialMaskOctet(std::uint8_t o) { return std::has_single_bit(static_cast<std::uint8_t>(-o)); }

// Ascending walk over the intervals of a set, straight on the tree's nodes:
// the set operations read both operands without allocating and without
// touching them, so an operand may even be the set itself.
class IntervalWalk {
public:
    using Tree = BST<IPSubSpace::IPInterval, IPAddress>;

    explicit IntervalWalk(const Tree& tree) { descendLeft(tree.rootNode()); }
    bool done() const { return depth == 0; }
    const IPSubSpace::IPInterval& current() const { return path[depth - 1]->item; }
    void advance()
    {
        const Tree::tree_node* node = path[--depth];
        descendLeft(node->right);
    }

private:
    void descendLeft(const Tree::tree_node* node)
    {
        for (; node != nullptr; node = node->left)
            path[depth++] = node;
    }

    // The tree is AVL-balanced: even 2^32 intervals would stand under 50 levels.
    std::array<const Tree::tree_node*, 96> path{};
    std::size_t depth = 0;
};

} // namespace

// ---------------------------------------------------------------- IPAddress

IPAddress IPAddress::fromValue(std::uint32_t v)
{
    IPAddress result;
    result.octets = octetsOf(v);
    return result;
}

IPAddress IPAddress::operator+(std::uint64_t n) const { return fromValue(value() + static_cast<std::uint32_t>(n)); }

IPAddress& IPAddress::operator+=(std::uint64_t n)
{
    octets = octetsOf(value() + static_cast<std::uint32_t>(n));
    return *this;
}

IPAddress IPAddress::operator-(std::uint64_t n) const { return fromValue(value() - static_cast<std::uint32_t>(n)); }

IPAddress& IPAddress::operator-=(std::uint64_t n)
{
    octets = octetsOf(value() - static_cast<std::uint32_t>(n));
    return *this;
}

std::uint64_t IPAddress::operator-(const IPAddress& other) const
{
    const std::uint64_t a = value();
    const std::uint64_t b = other.value();
    return (a > b ? a - b : b - a) + 1;
}

char IPAddress::ipClass() const
{
    const std::uint8_t first = octets[0];
    if (first == 0) return 'U';
    if (first <= 127) return 'A';
    if (first <= 191) return 'B';
    if (first <= 223) return 'C';
    if (first <= 239) return 'D';
    if (first <= 247) return 'E';
    return 'U';
}

IPAddress IPAddress::mask(const IPNetmask& netmask) const { return fromValue(value() & netmask.value()); }

std::uint8_t* IPAddress::getAddress()
{
    copyOut = octets;
    return copyOut.data();
}

void IPAddress::setAddress(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) { octets = {a, b, c, d}; }

// ---------------------------------------------------------------- IPNetmask

IPNetmask::IPNetmask() = default;

IPNetmask::IPNetmask(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) { setNetmask(a, b, c, d); }

IPNetmask::IPNetmask(int length) { setNetmask(length); }

bool IPNetmask::operator==(const IPNetmask& other) const { return octets == other.octets; }
bool IPNetmask::operator!=(const IPNetmask& other) const { return octets != other.octets; }
// Contiguous masks order by value exactly as by their number of leading ones.
bool IPNetmask::operator>(const IPNetmask& other) const { return value() > other.value(); }
bool IPNetmask::operator<(const IPNetmask& other) const { return value() < other.value(); }
bool IPNetmask::operator>=(const IPNetmask& other) const { return value() >= other.value(); }
bool IPNetmask::operator<=(const IPNetmask& other) const { return value() <= other.value(); }

void IPNetmask::setNetmask(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    octets = {a, b, c, d};
    // Accepted: some 255 octets, at most one partial octet, then 0 octets.
    bool pastOnes = false;
    bool valid = true;
    for (const std::uint8_t o : octets) {
        if (pastOnes && o != 0) {
            valid = false;
            break;
        }
        if (o != 255) {
            pastOnes = true;
            if (o != 0 && !isPartialMaskOctet(o)) {
                valid = false;
                break;
            }
        }
    }
    if (!valid) octets = {255, 255, 255, 255};
}

void IPNetmask::setNetmask(int length)
{
    if (length < 0 || length > 32) length = 32;
    // Shifting a 32-bit value by 32 is undefined, hence the 64-bit detour.
    const auto bits = static_cast<std::uint32_t>((std::uint64_t{topAddress} << (32 - length)) & topAddress);
    octets = octetsOf(bits);
}

std::uint8_t* IPNetmask::getNetmask()
{
    copyOut = octets;
    return copyOut.data();
}

int IPNetmask::brief() const { return std::countl_one(value()); }

std::uint32_t IPNetmask::value() const { return valueOf(octets); }

// ---------------------------------------------------------------- IPPrefix

IPPrefix::IPPrefix() = default;

IPPrefix::IPPrefix(const IPAddress& address) : prefixAddress(address)
{
    switch (address.ipClass()) {
    case 'A': prefixNetmask.setNetmask(8); break;
    case 'B': prefixNetmask.setNetmask(16); break;
    case 'C': prefixNetmask.setNetmask(24); break;
    default: prefixNetmask.setNetmask(32); break;
    }
}

IPPrefix::IPPrefix(const IPAddress& address, const IPNetmask& netmask)
    : prefixAddress(address.mask(netmask)), prefixNetmask(netmask)
{
}

IPPrefix::IPPrefix(const IPPrefix& other)
    : prefixAddress(other.prefixAddress), prefixNetmask(other.prefixNetmask), addressList(other.addressList)
{
}

IPPrefix& IPPrefix::operator=(const IPPrefix& other)
{
    prefixAddress = other.prefixAddress;
    prefixNetmask = other.prefixNetmask;
    return *this;
}

bool IPPrefix::operator==(const IPPrefix& other) const
{
    return prefixAddress == other.prefixAddress && prefixNetmask == other.prefixNetmask;
}

bool IPPrefix::operator!=(const IPPrefix& other) const { return !(*this == other); }

bool IPPrefix::isMoreSpecific(const IPPrefix& other) const
{
    return prefixNetmask > other.prefixNetmask && prefixAddress.mask(other.prefixNetmask) == other.prefixAddress;
}

bool IPPrefix::isLessSpecific(const IPPrefix& other) const
{
    return prefixNetmask < other.prefixNetmask && other.prefixAddress.mask(prefixNetmask) == prefixAddress;
}

IPAddress IPPrefix::address() const { return prefixAddress; }

IPNetmask IPPrefix::netmask() const { return prefixNetmask; }

std::uint64_t IPPrefix::addresses() const { return std::uint64_t{1} << (32 - prefixNetmask.brief()); }

List<IPAddress>& IPPrefix::listAddresses()
{
    const IPAddress last = prefixAddress + (addresses() - 1);
    addressList = List<IPAddress>();
    // A range reaching 255.255.255.255 would wrap to 0.0.0.0 and never end.
    for (IPAddress current = prefixAddress; current <= last; current += 1) {
        addressList.enqueue(current);
        if (current.value() == topAddress) break;
    }
    return addressList;
}

// ---------------------------------------------------------------- IPSubSpace

IPSubSpace::IPInterval::IPInterval(const IPAddress& first, const IPAddress& last)
    : firstAddress(first), lastAddress(last)
{
}

IPSubSpace::IPSubSpace() = default;

IPSubSpace::IPSubSpace(const IPPrefix& prefix)
{
    const IPAddress first = prefix.address();
    addInterval(first, first + (prefix.addresses() - 1));
}

IPSubSpace::IPSubSpace(const IPAddress& address) { addInterval(address, address); }

IPSubSpace::IPSubSpace(const IPSubSpace& other) : addressCount(other.addressCount), intervals(other.intervals) {}

IPSubSpace::IPSubSpace(IPSubSpace&& other) noexcept
    : addressCount(std::exchange(other.addressCount, 0)), intervals(std::move(other.intervals))
{
}

IPSubSpace& IPSubSpace::operator=(const IPSubSpace& other)
{
    if (this != &other) {
        addressCount = other.addressCount;
        intervals = other.intervals;
    }
    return *this;
}

IPSubSpace& IPSubSpace::operator=(IPSubSpace&& other) noexcept
{
    if (this != &other) {
        addressCount = std::exchange(other.addressCount, 0);
        intervals = std::move(other.intervals);
    }
    return *this;
}

void IPSubSpace::addInterval(const IPAddress& first, const IPAddress& last)
{
    intervals.addItem(IPInterval(first, last), first);
    addressCount += last - first;
}

bool IPSubSpace::isEmpty() const { return intervals.isEmpty(); }

std::uint64_t IPSubSpace::addresses() const { return addressCount; }

bool IPSubSpace::operator==(const IPSubSpace& other) const
{
    if (addressCount != other.addressCount) return false;
    IntervalWalk mine(intervals);
    IntervalWalk theirs(other.intervals);
    for (; !mine.done() && !theirs.done(); mine.advance(), theirs.advance()) {
        const IPInterval& a = mine.current();
        const IPInterval& b = theirs.current();
        if (a.firstAddress != b.firstAddress || a.lastAddress != b.lastAddress) return false;
    }
    return mine.done() && theirs.done();
}

bool IPSubSpace::operator!=(const IPSubSpace& other) const { return !(*this == other); }

IPSubSpace IPSubSpace::intersect(const IPSubSpace& other) const
{
    IPSubSpace result;
    IntervalWalk mine(intervals);
    IntervalWalk theirs(other.intervals);
    while (!mine.done() && !theirs.done()) {
        const IPInterval& a = mine.current();
        const IPInterval& b = theirs.current();
        if (a.firstAddress <= b.lastAddress && b.firstAddress <= a.lastAddress) {
            result.addInterval(std::max(a.firstAddress, b.firstAddress), std::min(a.lastAddress, b.lastAddress));
        }
        // The interval that ends first cannot meet anything further on the other side.
        const bool mineEndsFirst = a.lastAddress <= b.lastAddress;
        const bool theirsEndsFirst = b.lastAddress <= a.lastAddress;
        if (mineEndsFirst) mine.advance();
        if (theirsEndsFirst) theirs.advance();
    }
    return result;
}

IPSubSpace IPSubSpace::operator*(const IPSubSpace& other) const { return intersect(other); }

IPSubSpace& IPSubSpace::operator*=(const IPSubSpace& other)
{
    *this = intersect(other);
    return *this;
}

IPSubSpace IPSubSpace::join(const IPSubSpace& other) const
{
    if (isEmpty()) return other;
    if (other.isEmpty()) return *this;
    IPSubSpace result;
    IntervalWalk mine(intervals);
    IntervalWalk theirs(other.intervals);
    // Take the lower head first so the interval being built only ever grows to the right.
    IPInterval building =
        mine.current().firstAddress < theirs.current().firstAddress ? mine.current() : theirs.current();
    while (!mine.done() || !theirs.done()) {
        IPInterval next;
        if (!mine.done() && (theirs.done() || mine.current().firstAddress < theirs.current().firstAddress)) {
            next = mine.current();
            mine.advance();
        } else {
            next = theirs.current();
            theirs.advance();
        }
        // 64-bit, so the address after 255.255.255.255 does not wrap to 0.0.0.0.
        if (std::uint64_t{next.firstAddress.value()} <= std::uint64_t{building.lastAddress.value()} + 1) {
            building.lastAddress = std::max(building.lastAddress, next.lastAddress);
        } else {
            result.addInterval(building.firstAddress, building.lastAddress);
            building = next;
        }
    }
    result.addInterval(building.firstAddress, building.lastAddress);
    return result;
}

IPSubSpace IPSubSpace::operator+(const IPSubSpace& other) const { return join(other); }

IPSubSpace& IPSubSpace::operator+=(const IPSubSpace& other)
{
    *this = join(other);
    return *this;
}

bool IPSubSpace::includes(const IPSubSpace& other) const
{
    return addressCount > other.addressCount && intersect(other) == other;
}

bool IPSubSpace::isIncluded(const IPSubSpace& other) const
{
    return addressCount < other.addressCount && intersect(other) == *this;
}

List<IPAddress>& IPSubSpace::listAddresses()
{
    addressList = List<IPAddress>();
    for (IntervalWalk all(intervals); !all.done(); all.advance()) {
        const IPInterval& interval = all.current();
        for (IPAddress current = interval.firstAddress; current <= interval.lastAddress; current += 1) {
            addressList.enqueue(current);
            // A range reaching 255.255.255.255 would wrap to 0.0.0.0 and never end.
            if (current.value() == topAddress) break;
        }
    }
    return addressList;
}

List<IPPrefix>& IPSubSpace::listPrefixes()
{
    prefixList = List<IPPrefix>();
    for (IntervalWalk all(intervals); !all.done(); all.advance()) {
        const IPInterval& interval = all.current();
        std::uint64_t remaining = interval.lastAddress - interval.firstAddress;
        std::uint32_t start = interval.firstAddress.value();
        while (remaining > 0) {
            // The largest block aligned at start (0.0.0.0 is aligned to any size)
            // that does not reach past the interval.
            const int alignment = std::countr_zero(start);
            const int fits = std::bit_width(remaining) - 1;
            const int k = std::min(alignment, fits);
            prefixList.enqueue(IPPrefix(IPAddress::fromValue(start), IPNetmask(32 - k)));
            remaining -= std::uint64_t{1} << k;
            start += static_cast<std::uint32_t>(std::uint64_t{1} << k);
        }
    }
    return prefixList;
}
