#include "machine/waiting.h"

#include "common/platform_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>
#include <system_error>

double schedstat_wait_seconds(const std::string& text)
{
    std::istringstream in(text);
    unsigned long long running = 0, waiting = 0, slices = 0;
    if (!(in >> running >> waiting >> slices))
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(waiting) / 1e9;
}

std::map<long, double> thread_wait_seconds()
{
    std::map<long, double> waits;
    std::error_code error;
    for (std::filesystem::directory_iterator task("/proc/self/task", error), end; !error && task != end;
         task.increment(error)) {
        const std::string name = task->path().filename().string();
        char* rest = nullptr;
        const long id = std::strtol(name.c_str(), &rest, 10);
        if (rest == name.c_str() || *rest != '\0')
            continue;
        // A thread that ended between the listing and the read is simply not in this reading.
        const double seconds = schedstat_wait_seconds(read_text_file((task->path() / "schedstat").string().c_str()));
        if (seconds == seconds)
            waits[id] = seconds;
    }
    return waits;
}

double longest_new_wait(const std::map<long, double>& before, const std::map<long, double>& after)
{
    if (before.empty() || after.empty())
        return std::numeric_limits<double>::quiet_NaN();
    double longest = 0.0;
    for (const auto& [id, seconds] : after) {
        const auto earlier = before.find(id);
        if (earlier != before.end())
            longest = std::max(longest, seconds - earlier->second);
    }
    return longest;
}
