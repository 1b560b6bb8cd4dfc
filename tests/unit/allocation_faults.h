#pragma once

#include <cstddef>

namespace zelvane {

// Every operator new of the unit tests goes through this: the n-th allocation from now
// (counting from 1) throws std::bad_alloc; 0 for none.
void FailAllocation(std::size_t n);
// Whether the allocation chosen to fail has come since the last FailAllocation.
bool AllocationFailed();

}  // namespace zelvane
