#pragma once
// Large working arrays in huge pages. A block of several megabytes is mapped
// on its own, aligned to huge pages, and the kernel is asked to back it with
// them: touching a fresh 4 KiB page costs microseconds on virtual machines,
// so faulting in a 64 MiB array of small pages takes a third of a second
// there, of huge pages a few milliseconds. Being a mapping of its own, a
// block goes back to the system when released, so a program that builds
// array after array does not grow. Smaller blocks come from the usual
// allocator.
#include <cstddef>
#include <limits>
#include <new>

namespace hugepages {

// Raw storage for `bytes`; release it with the same size.
void* allocate(std::size_t bytes);
void release(void* block, std::size_t bytes) noexcept;
// Hands back to the system what the usual allocator holds free. It keeps
// freed memory for reuse, and the arrays of a measure taken after a load are
// freed in another order than they came: without this the freed megabytes
// stay resident until the program ends.
void returnFreeMemory() noexcept;

} // namespace hugepages

// The same for standard containers.
template <typename T>
class huge_page_allocator {
public:
    using value_type = T;

    huge_page_allocator() = default;
    template <typename U>
    huge_page_allocator(const huge_page_allocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(hugepages::allocate(n * sizeof(T)));
    }
    void deallocate(T* block, std::size_t n) noexcept { hugepages::release(block, n * sizeof(T)); }

    friend bool operator==(const huge_page_allocator&, const huge_page_allocator&) noexcept { return true; }
};
