// Platform glue: file opening, the console pause and the memory query.
#include "common/platform.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
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

long long available_memory_bytes()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return -1;
    return static_cast<long long>(status.ullAvailPhys);
#elif defined(__linux__)
    // MemAvailable counts reclaimable page cache too, which is what a large allocation can
    // really get; free memory alone would refuse runs that fit comfortably.
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (!meminfo)
        return -1;
    char line[256];
    long long kibibytes = -1;
    while (std::fgets(line, sizeof(line), meminfo)) {
        if (std::strncmp(line, "MemAvailable:", 13) == 0) {
            kibibytes = std::strtoll(line + 13, nullptr, 10);
            break;
        }
    }
    std::fclose(meminfo);
    return kibibytes < 0 ? -1 : kibibytes * 1024;
#else
    return -1;
#endif
}
