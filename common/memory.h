// Whether the three matrices of a run fit, decided before anything is allocated: a run that
// swaps or dies half-built measures nothing.
#pragma once

#include <string>

// Bytes that count n x n matrices take in the row-pointer form: count pointer arrays and
// count x n rows. The benchmark builds three.
double matrices_bytes(int size, int count = 3);

// Empty when count matrices of this order fit in available_bytes (or when that is unknown,
// negative); otherwise a one-line explanation giving what is needed and what is available.
std::string memory_shortfall(int size, long long available_bytes, int count = 3);

// What the system says about memory, as text, so that the arithmetic can be tried on any
// machine's figures. Empty text means the source was not there to read.
struct MemoryReport {
    std::string meminfo;                // /proc/meminfo
    std::string cgroup_max;             // memory.max of the process's cgroup ("max" when unlimited)
    std::string cgroup_current;         // memory.current of the same cgroup
    long long address_space_limit = -1; // RLIMIT_AS in bytes, -1 when unlimited
};

// The tightest of MemAvailable (memory the kernel can hand out without swapping, reclaimable
// cache included), the room left under the cgroup limit, and the address-space limit; -1 when
// none of them says. A cgroup already at or over its limit leaves 0, not "unknown".
long long available_memory_from(const MemoryReport& report);
