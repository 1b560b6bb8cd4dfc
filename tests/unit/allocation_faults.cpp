#include "allocation_faults.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t allocations = 0;
std::size_t failAt = 0;
bool failed = false;

void* Allocate(std::size_t size) {
    if (failAt != 0 && ++allocations == failAt) {
        failed = true;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

namespace zelvane {

void FailAllocation(std::size_t n) {
    allocations = 0, failAt = n, failed = false;
}

bool AllocationFailed() {
    return failed;
}

}  // namespace zelvane

// Every plain form is replaced, so that no memory is handed out by one allocator and taken
// back by another (the sanitizers' own operators stand behind the ones not replaced here).
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
