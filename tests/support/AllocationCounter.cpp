#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};
// Set by startOnThisThread: only the threads marked count.
std::atomic<bool> g_markedOnly{false};
thread_local bool t_marked = false;

void* allocate(std::size_t size)
{
    if (g_counting.load(std::memory_order_relaxed) && (!g_markedOnly.load(std::memory_order_relaxed) || t_marked))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
} // namespace

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace allocationcounter {

void start()
{
    g_allocations = 0;
    g_markedOnly = false;
    g_counting = true;
}

void startOnThisThread()
{
    g_allocations = 0;
    t_marked = true;
    g_markedOnly = true;
    g_counting = true;
}

int stop()
{
    g_counting = false;
    g_markedOnly = false;
    t_marked = false;
    return g_allocations.load();
}

} // namespace allocationcounter
