#pragma once
// A hash table from AS numbers to 32-bit values. AS numbers span 32 bits, so
// nothing may be indexed by the number itself; this table grows with the ASs
// actually met instead. Open addressing with linear probing over two packed
// arrays keeps a lookup to one or two cache lines, which matters on paths
// that are looked up once per AS of every route.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "common/asnumber.h"

class ASMap {
public:
    // A slot holding this value is free, so it is never stored.
    static constexpr std::uint32_t freeSlot = 0xFFFFFFFFU;

    // The slot of `as`, filled with `value` when the AS was absent. Returns the
    // slot's value and whether it was inserted. The reference stays valid
    // until the next insertion.
    std::pair<std::uint32_t&, bool> insert(asnum_t as, std::uint32_t value)
    {
        if ((count + 1) * 2 > capacity) grow();
        std::size_t i = slotOf(as);
        while (values[i] != freeSlot) {
            if (keys[i] == as) return {values[i], false};
            i = (i + 1) & (capacity - 1);
        }
        keys[i] = as;
        values[i] = value;
        ++count;
        return {values[i], true};
    }

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }

    // Frees every slot but keeps the table's size for the next use.
    void clear()
    {
        for (std::size_t i = 0; i < capacity; ++i)
            values[i] = freeSlot;
        count = 0;
    }

    // Calls f(as, value) for every entry, in no particular order.
    template <typename F>
    void forEach(F&& f) const
    {
        for (std::size_t i = 0; i < capacity; ++i)
            if (values[i] != freeSlot) f(keys[i], values[i]);
    }

private:
    std::size_t slotOf(asnum_t as) const
    {
        // Fibonacci hashing: the top bits of the product, so neighbouring AS
        // numbers land far apart.
        return static_cast<std::size_t>((std::uint64_t{as} * 0x9E3779B97F4A7C15ULL) >> shift);
    }

    void grow()
    {
        const std::size_t oldCapacity = capacity;
        std::unique_ptr<asnum_t[]> oldKeys = std::move(keys);
        std::unique_ptr<std::uint32_t[]> oldValues = std::move(values);
        capacity = oldCapacity == 0 ? 16 : oldCapacity * 2;
        shift = oldCapacity == 0 ? 60 : shift - 1;
        keys = std::make_unique<asnum_t[]>(capacity);
        values = std::make_unique<std::uint32_t[]>(capacity);
        for (std::size_t i = 0; i < capacity; ++i)
            values[i] = freeSlot;
        count = 0;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (oldValues[i] != freeSlot) insert(oldKeys[i], oldValues[i]);
    }

    std::unique_ptr<asnum_t[]> keys;
    std::unique_ptr<std::uint32_t[]> values;
    std::size_t capacity = 0; // a power of two, or 0 before the first insertion
    std::size_t count = 0;
    unsigned shift = 64; // 64 - log2(capacity)
};
