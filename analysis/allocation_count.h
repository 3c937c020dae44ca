#pragma once

#include <cstdint>

namespace vorrik {

/// How many times the global operator new has allocated so far in this
/// program. Only in programs that link vorrik_allocation_count, which
/// replaces operator new and delete to count: benchmarks and tests that show
/// how many allocations a piece of work makes.
std::uint64_t AllocationCount();

}  // namespace vorrik
