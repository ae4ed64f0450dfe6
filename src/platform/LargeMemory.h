#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

/**
 * Memory for the large arrays of a folder listing: an index file's bytes and text, its lines,
 * the rows of the mail list, a folder's file names.
 *
 * The first touch of every fresh 4 KiB page costs a page fault, and under a hypervisor that
 * fault is expensive (tens of microseconds measured on the project's machines): the 40 MB a
 * listing of 100,000 messages touches cost more in faults than in work. Blocks of 2 MiB and more
 * are therefore mapped on 2 MiB boundaries and the kernel is asked to back them with huge pages
 * (madvise MADV_HUGEPAGE), one fault per 2 MiB where transparent huge pages are enabled for
 * advised memory (the Debian default); elsewhere they are ordinary memory. Smaller blocks come
 * from the ordinary heap. A block is given back to the system as soon as it is freed.
 */
namespace fumibako::platform {

/** A block of at least @p bytes; throws std::bad_alloc when there is no memory. */
void* allocateLarge(std::size_t bytes);
/** Frees a block of allocateLarge(@p bytes). */
void releaseLarge(void* block, std::size_t bytes) noexcept;

/**
 * @short Standard allocator over allocateLarge().
 *
 * Elements inserted without a value (resize(n)) are default-initialised, so a buffer of
 * characters or bytes is not zeroed before it is filled: pages a buffer never uses are never
 * touched.
 */
template<typename T>
class LargeAllocator {
public:
    using value_type = T;

    LargeAllocator() noexcept = default;
    template<typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(allocateLarge(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept { releaseLarge(block, count * sizeof(T)); }

    template<typename U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(at)) U;
    }
    template<typename U, typename... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template<typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

template<typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

} // namespace fumibako::platform
