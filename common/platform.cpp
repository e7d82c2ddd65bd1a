// Platform glue: file opening, the console pause and the memory query.
#include "common/platform.h"

#include <cstdlib>
#include <cstring>

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

// The number a file starts with, or -1 when it is missing or says something else ("max").
long long read_number_file(const char* path)
{
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return -1;
    long long value = -1;
    if (std::fscanf(file, "%lld", &value) != 1)
        value = -1;
    std::fclose(file);
    return value;
}

long long read_meminfo_kib(const char* key)
{
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (!meminfo)
        return -1;
    const std::size_t key_length = std::strlen(key);
    char line[256];
    long long kibibytes = -1;
    while (std::fgets(line, sizeof(line), meminfo)) {
        if (std::strncmp(line, key, key_length) == 0) {
            kibibytes = std::strtoll(line + key_length, nullptr, 10);
            break;
        }
    }
    std::fclose(meminfo);
    return kibibytes;
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
    // The tightest of three limits: the memory the kernel could hand out without swapping
    // (MemAvailable counts reclaimable cache, which free memory alone would not), the room
    // left under a cgroup limit such as a container's, and the process's address-space limit.
    long long available = -1;
    const auto tighten = [&available](long long bytes) {
        if (bytes >= 0 && (available < 0 || bytes < available))
            available = bytes;
    };
    const long long available_kib = read_meminfo_kib("MemAvailable:");
    if (available_kib >= 0)
        tighten(available_kib * 1024);
    const long long cgroup_limit = read_number_file("/sys/fs/cgroup/memory.max");
    const long long cgroup_used = read_number_file("/sys/fs/cgroup/memory.current");
    if (cgroup_limit >= 0 && cgroup_used >= 0)
        tighten(cgroup_limit > cgroup_used ? cgroup_limit - cgroup_used : 0);
    struct rlimit address_space;
    if (getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY)
        tighten(static_cast<long long>(address_space.rlim_cur));
    return available;
#else
    return -1;
#endif
}
