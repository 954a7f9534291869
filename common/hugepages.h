#pragma once
// An allocator for large working arrays: a block of several megabytes is
// mapped on its own with transparent huge pages asked for. Touching a fresh
// 4 KiB page costs microseconds on virtual machines, so faulting in a 64 MiB
// array of small pages takes a third of a second there, of huge pages a few
// milliseconds. Smaller blocks come from the usual allocator.
#include <cstddef>
#include <limits>
#include <memory>
#include <new>

#include <sys/mman.h>

template <typename T>
class huge_page_allocator {
public:
    using value_type = T;

    huge_page_allocator() = default;
    template <typename U>
    huge_page_allocator(const huge_page_allocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        if (n * sizeof(T) < mappedFrom) return std::allocator<T>{}.allocate(n);
        const std::size_t bytes = mappedSize(n);
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        // Only advice: without huge pages the block still works, more slowly.
        madvise(block, bytes, MADV_HUGEPAGE);
#endif
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t n) noexcept {
        if (n * sizeof(T) < mappedFrom)
            std::allocator<T>{}.deallocate(block, n);
        else
            munmap(block, mappedSize(n));
    }

    friend bool operator==(const huge_page_allocator&, const huge_page_allocator&) noexcept { return true; }

private:
    static constexpr std::size_t hugePage = std::size_t{2} << 20;
    static constexpr std::size_t mappedFrom = 2 * hugePage;

    static std::size_t mappedSize(std::size_t n) noexcept { return (n * sizeof(T) + hugePage - 1) & ~(hugePage - 1); }
};
