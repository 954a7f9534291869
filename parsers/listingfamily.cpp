// Where a table header puts each field, by the family it picks.
#include "parsers/listingfamily.h"

#include <algorithm>

namespace listing {

// The columns of `family`'s captions in a header line.
bgpParser::table_layout layoutOf(const family_t& family, std::string_view line)
{
    bgpParser::table_layout found;
    found.family = &family;
    for (const caption_spelling& spelling : family.captions) {
        const auto field = static_cast<std::size_t>(spelling.field);
        if (found.column[field] != 0) continue;
        const std::size_t at = line.find(spelling.text);
        if (at == std::string_view::npos) continue;
        found.column[field] = static_cast<int>(at) + 1;
        found.captionLength[field] = spelling.text.size();
    }
    const std::size_t networkIndex =
        found.column[network] > 0 ? static_cast<std::size_t>(found.column[network]) - 1 : 0;
    switch (family.status) {
    case status_area::firstThree:
        found.networkIndex = networkIndex;
        found.statusEnd = 3;
        break;
    case status_area::beforeNetwork:
        // The first three characters always belong to the status, even
        // under a flush-left header.
        found.networkIndex = std::max<std::size_t>(networkIndex, 3);
        found.statusEnd = found.networkIndex;
        break;
    case status_area::none:
        found.networkIndex = networkIndex;
        found.statusEnd = 0;
        break;
    }
    if (family.peerColumn) found.peerIndex = line.find(family.signature, networkIndex);
    return found;
}

const family_t& todayFamilyOf(std::string_view line)
{
    const std::size_t networkAt = line.find(bgpParser::fieldCaptions[network]);
    const std::size_t after = networkAt == std::string_view::npos ? 0 : networkAt + 1;
    for (const family_t& family : todayFamilies)
        if (family.record == nullptr &&
            (family.signature.empty() || line.find(family.signature, after) != std::string_view::npos))
            return family;
    return todayFamilies[std::size(todayFamilies) - 1];
}

} // namespace listing
