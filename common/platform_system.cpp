// What Linux, other POSIX systems and Windows each say about the machine and this process.
#include "common/platform_system.h"

#include "common/memory.h"
#include "common/platform_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

extern char** environ;
#endif

long long available_memory_bytes()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return -1;
    return static_cast<long long>(status.ullAvailPhys);
#elif defined(__linux__)
    MemoryReport report;
    report.meminfo = read_text_file("/proc/meminfo");
    report.cgroup_max = read_text_file("/sys/fs/cgroup/memory.max");
    report.cgroup_current = read_text_file("/sys/fs/cgroup/memory.current");
    report.address_space_limit = read_system_limits().address_space;
    return available_memory_from(report);
#else
    return -1;
#endif
}

std::string operating_system_name()
{
#if defined(_WIN32)
    return "Windows";
#else
    struct utsname name;
    if (uname(&name) != 0)
        return "";
    return std::string(name.sysname) + " " + name.release;
#endif
}

std::string host_name()
{
#if defined(_WIN32)
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return "";
    return name;
#endif
}

bool utc_time(std::time_t time, std::tm& utc)
{
#if defined(_WIN32)
    return gmtime_s(&utc, &time) == 0;
#else
    return gmtime_r(&time, &utc) != nullptr;
#endif
}

std::vector<std::pair<std::string, std::string>> environment_with_prefixes(const std::vector<std::string>& prefixes)
{
#if defined(_WIN32)
    char** entries = _environ;
#else
    char** entries = environ;
#endif
    std::vector<std::pair<std::string, std::string>> found;
    for (char** entry = entries; entry && *entry; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        for (const std::string& prefix : prefixes)
            if (name.compare(0, prefix.size(), prefix) == 0) {
                found.emplace_back(name, equals == std::string::npos ? "" : text.substr(equals + 1));
                break;
            }
    }
    std::sort(found.begin(), found.end());
    return found;
}

SystemLimits read_system_limits()
{
    SystemLimits limits;
#if !defined(_WIN32)
    const auto soft = [](int resource) {
        struct rlimit limit;
        return getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                   ? static_cast<long long>(limit.rlim_cur)
                   : -1LL;
    };
    limits.processes = soft(RLIMIT_NPROC);
    limits.address_space = soft(RLIMIT_AS);
    // glibc gives a new thread the soft stack limit, or 8 MiB when that is unlimited.
    limits.stack = soft(RLIMIT_STACK);
#endif
    return limits;
}

bool is_terminal(int stream)
{
#if defined(_WIN32)
    return _isatty(stream) != 0;
#else
    return isatty(stream) != 0;
#endif
}

void pause_console()
{
#if defined(_WIN32)
    // The status is of no interest: the run is over whether or not a key was pressed.
    (void)std::system("pause");
#endif
}

void occupy_closed_standard_streams()
{
#if !defined(_WIN32)
    for (int stream = 0; stream <= 2; ++stream) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is the one that is closed: open() lands on it.
        const int fd = ::open("/dev/null", stream == 0 ? O_WRONLY : O_RDONLY);
        if (fd >= 0 && fd != stream)
            ::close(fd);
    }
#endif
}
