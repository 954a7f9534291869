#pragma once
// What a line of a listing is by its shape alone, without the columns of a
// header: a route that cannot be read (rather than the end of a table), a
// section line, a prompt, a row whose AS path is complete, the rest of a
// wrapped path.
#include <string_view>

#include "parsers/listingfamily.h"
#include "parsers/listingtext.h"

namespace listing {

// A network or next-hop address followed by something that ends like a path.
bool looksLikeRoute(std::string_view line);

// A line that opens a section inside a table (a VPN or VRF table).
inline bool isSectionLine(const family_t& family, std::string_view line)
{
    line = withoutIndent(line);
    // Asked for every route line: most are out at the first character.
    if (line.empty() || (line[0] != 'R' && line[0] != 'V' && line[0] != 'B')) return false;
    return startsWithAny(line, family.sections);
}

// A shell or router prompt: a host name glued to "#", ">", "$" or "]", as
// "R1#", "RP/0/RSP0/CPU0:PE1#show bgp", "<HUAWEI>", "[~HUAWEI]", "admin@sonic:~$".
bool isPrompt(std::string_view line);

// Whether a row, its line end removed, ends its AS path with an origin code.
bool endsWithOrigin(std::string_view line);

// Whether a line holds nothing but the rest of a wrapped AS path.
bool onlyPathText(std::string_view line);

} // namespace listing
