#pragma once
// Joins address sets pairwise, level by level, so that building a set of n
// pieces costs n log n instead of the n^2 of adding them one by one: the
// cheapest way to unite many sets with IPSubSpace.
#include <utility>
#include <vector>

#include "common/iptools.h"

inline IPSubSpace joinAll(std::vector<IPSubSpace> pieces)
{
    if (pieces.empty()) return IPSubSpace();
    while (pieces.size() > 1) {
        std::vector<IPSubSpace> next;
        next.reserve(pieces.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < pieces.size(); i += 2)
            next.push_back(pieces[i] + pieces[i + 1]);
        if (pieces.size() % 2 == 1) next.push_back(std::move(pieces.back()));
        pieces = std::move(next);
    }
    return std::move(pieces.front());
}
