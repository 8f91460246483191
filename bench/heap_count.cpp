// Replaces the global operator new and delete; kept apart so the compiler never sees an
// allocation and its release inlined together.
#include "heap_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocated{0};
}

void* operator new(std::size_t size) {
    allocated.fetch_add(size, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace tessaly::bench {

std::size_t AllocatedBytes() {
    return allocated.load(std::memory_order_relaxed);
}

}  // namespace tessaly::bench
