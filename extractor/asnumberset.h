#pragma once
// A set of AS numbers kept as bitmaps of 65536 numbers each, made as numbers
// of their range arrive: adding a number is a bit test and set, and the
// members come out in ascending order without a sort. The AS numbers of a
// table fall in a few ranges, so a few bitmaps of 8 KiB hold them all.
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "common/asnumber.h"

class ASNumberSet {
public:
    void insert(asnum_t as)
    {
        if (bitmapOf.empty()) bitmapOf.assign(std::size_t{1} << 16, 0);
        std::uint32_t& index = bitmapOf[as >> 16];
        if (index == 0) {
            bitmaps.emplace_back();
            index = static_cast<std::uint32_t>(bitmaps.size()); // 0 stands for none
        }
        std::uint64_t& word = bitmaps[index - 1][(as & 0xFFFFU) >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (as & 63U);
        if ((word & bit) != 0) return;
        word |= bit;
        ++count;
        if (as > largestMember) largestMember = as;
    }

    std::size_t size() const noexcept { return count; }
    asnum_t largest() const noexcept { return largestMember; } // 0 when empty

    // f(asnum_t) for every member, in ascending order.
    template <typename F>
    void forEach(F&& f) const
    {
        for (std::size_t high = 0; high < bitmapOf.size(); ++high) {
            if (bitmapOf[high] == 0) continue;
            const bitmap& bits = bitmaps[bitmapOf[high] - 1];
            for (std::size_t w = 0; w < bits.size(); ++w)
                for (std::uint64_t word = bits[w]; word != 0; word &= word - 1)
                    f(static_cast<asnum_t>((high << 16) | (w << 6) | static_cast<std::size_t>(std::countr_zero(word))));
        }
    }

private:
    using bitmap = std::array<std::uint64_t, 1024>;
    std::vector<std::uint32_t> bitmapOf; // by the upper 16 bits: 1 + index into bitmaps, or 0
    std::vector<bitmap> bitmaps;
    std::size_t count = 0;
    asnum_t largestMember = 0;
};
