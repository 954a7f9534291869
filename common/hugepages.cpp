#include "common/hugepages.h"

#include <cstdint>

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;
// Below two huge pages, rounding up to whole huge pages would waste too much.
constexpr std::size_t mappedFrom = 2 * hugePage;

std::size_t mappedSize(std::size_t bytes) noexcept { return (bytes + hugePage - 1) & ~(hugePage - 1); }

} // namespace

namespace hugepages {

void* allocate(std::size_t bytes)
{
    if (bytes < mappedFrom) return ::operator new(bytes);
    const std::size_t size = mappedSize(bytes);
    void* raw = ::mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    // Trim the mapping to a huge-page boundary at both ends.
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + hugePage - 1) & ~std::uintptr_t{hugePage - 1};
    if (aligned > start) ::munmap(raw, aligned - start);
    if (const std::size_t tail = start + hugePage - aligned; tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, bytes, MADV_HUGEPAGE); // advice only: without it the block is as good
    return block;
}

void release(void* block, std::size_t bytes) noexcept
{
    if (bytes < mappedFrom)
        ::operator delete(block);
    else
        ::munmap(block, mappedSize(bytes));
}

void returnFreeMemory() noexcept
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace hugepages
