#include "platform/LargeMemory.h"

#include <cstdint>

#include <sys/mman.h>

namespace fumibako::platform {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t roundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

} // namespace

void* allocateLarge(std::size_t bytes)
{
    if (bytes < kHugePage)
        return ::operator new(bytes);
    const std::size_t size = roundUp(bytes, kHugePage);
    if (size < bytes || size + kHugePage < size)
        throw std::bad_alloc();
    // Map one huge page more than needed and give back the unaligned ends.
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto raw = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t begin = roundUp(raw, kHugePage);
    const std::uintptr_t end = begin + size;
    if (begin > raw)
        ::munmap(mapped, begin - raw);
    if (raw + size + kHugePage > end)
        ::munmap(reinterpret_cast<void*>(end), raw + size + kHugePage - end);
    // Only advice: where huge pages are off, the block is ordinary memory.
    ::madvise(reinterpret_cast<void*>(begin), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(begin);
}

void releaseLarge(void* block, std::size_t bytes) noexcept
{
    if (!block)
        return;
    if (bytes < kHugePage)
        ::operator delete(block);
    else
        ::munmap(block, roundUp(bytes, kHugePage));
}

} // namespace fumibako::platform
