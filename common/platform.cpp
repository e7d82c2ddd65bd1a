// Platform glue: file opening, the console pause and the memory query.
#include "common/platform.h"

#include "common/memory.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#endif
#if defined(__linux__)
#include <sys/resource.h>
#endif

#if defined(__linux__)
namespace {

std::string whole_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace
#endif

std::FILE* open_text_file(const char* file_name, const char* mode)
{
#if defined(_MSC_VER)
    std::FILE* fp = nullptr;
    if (fopen_s(&fp, file_name, mode) != 0)
        return nullptr;
    return fp;
#else
    return std::fopen(file_name, mode);
#endif
}

void pause_console()
{
#if defined(_WIN32)
    // The status is of no interest: the run is over whether or not a key was pressed.
    (void)std::system("pause");
#endif
}

std::FILE* open_command_pipe(const char* command)
{
#if defined(_WIN32)
    return _popen(command, "w");
#else
    return popen(command, "w");
#endif
}

int close_command_pipe(std::FILE* pipe)
{
#if defined(_WIN32)
    return _pclose(pipe);
#else
    const int raw = pclose(pipe);
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

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
    report.meminfo = whole_file("/proc/meminfo");
    report.cgroup_max = whole_file("/sys/fs/cgroup/memory.max");
    report.cgroup_current = whole_file("/sys/fs/cgroup/memory.current");
    struct rlimit address_space;
    if (getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY)
        report.address_space_limit = static_cast<long long>(address_space.rlim_cur);
    return available_memory_from(report);
#else
    return -1;
#endif
}
