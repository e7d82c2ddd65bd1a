#include "common/memory.h"

#include "common/parse.h"

#include <cstdio>
#include <sstream>

namespace {

std::string gibibytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f GiB", bytes / (1024.0 * 1024.0 * 1024.0));
    return text;
}

long long meminfo_available_bytes(const std::string& meminfo)
{
    std::istringstream in(meminfo);
    for (std::string key; in >> key;) {
        long long kibibytes = -1;
        if (!(in >> kibibytes))
            return -1;
        if (key == "MemAvailable:")
            return kibibytes >= 0 ? kibibytes * 1024 : -1;
        std::string rest;
        std::getline(in, rest); // the unit, when there is one
    }
    return -1;
}

} // namespace

double matrices_bytes(int size, int count)
{
    const double n = size;
    return count * (n * sizeof(float*) + n * n * sizeof(float));
}

std::string memory_shortfall(int size, long long available_bytes, int count)
{
    const double needed = matrices_bytes(size, count);
    if (available_bytes < 0 || needed <= static_cast<double>(available_bytes))
        return std::string();
    const char* const words[] = {"no", "one", "two", "three", "four"};
    const std::string how_many = count >= 0 && count <= 4 ? words[count] : std::to_string(count);
    return "size " + std::to_string(size) + " needs " + gibibytes(needed) + " for its " + how_many +
           " matrices, but only " + gibibytes(static_cast<double>(available_bytes)) + " of memory is available";
}

long long available_memory_from(const MemoryReport& report)
{
    long long available = -1;
    const auto tighten = [&available](long long bytes) {
        if (bytes >= 0 && (available < 0 || bytes < available))
            available = bytes;
    };
    tighten(meminfo_available_bytes(report.meminfo));
    const long long limit = leading_number(report.cgroup_max);
    const long long used = leading_number(report.cgroup_current);
    if (limit >= 0 && used >= 0)
        tighten(limit > used ? limit - used : 0);
    tighten(report.address_space_limit);
    return available;
}
