#include "parsers/routetext.h"

namespace {

char* writeDecimal(char* out, unsigned value)
{
    if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

} // namespace

namespace routetext {

char* formatAddress(char* out, const route_address& address)
{
    if (address.family == ip_family::ipv6) return toIPv6(address).format(out);
    for (std::size_t i = 0; i < 4; ++i) {
        out = writeDecimal(out, address.bytes[i]);
        if (i < 3) *out++ = '.';
    }
    return out;
}

char* formatPrefix(char* out, const route_prefix& prefix)
{
    out = formatAddress(out, prefix.network);
    if (!prefix.length) return out;
    *out++ = '/';
    return writeDecimal(out, *prefix.length);
}

} // namespace routetext
