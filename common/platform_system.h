// What the operating system says about itself and this process (memory, names, limits, time,
// environment, the console), each behind one function so that no other file needs a platform
// #ifdef.
#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

// Bytes of memory the system can hand to a new allocation without swapping, or -1 when the
// platform does not say.
long long available_memory_bytes();

// Kernel name and release ("Linux 6.1.0-18-amd64"); empty when unknown.
std::string operating_system_name();

// This machine's name; empty when unknown.
std::string host_name();

// time as UTC calendar time; false when it cannot be converted.
bool utc_time(std::time_t time, std::tm& utc);

// Every environment variable whose name starts with one of the prefixes, as (name, value),
// sorted by name.
std::vector<std::pair<std::string, std::string>> environment_with_prefixes(const std::vector<std::string>& prefixes);

// Resource limits of this process; -1 where unlimited or unknown.
struct SystemLimits {
    long long processes = -1;     // threads and processes of this user (RLIMIT_NPROC)
    long long address_space = -1; // bytes (RLIMIT_AS)
    long long stack = -1;         // default stack of a new thread, bytes
};
SystemLimits read_system_limits();

// Whether the standard stream (0, 1 or 2) is a terminal rather than a pipe or a file.
bool is_terminal(int stream);

// The end-of-run pause: a key press on consoles whose interpreter offers "pause" (Windows);
// nothing elsewhere, so that piped or scripted runs never hang.
void pause_console();

// Gives each of standard input, output and error that the program was started without
// (`2>&-`) a stand-in, /dev/null, so that no file opened later takes its number and receives
// what was meant for the stream. The stand-in is opened the other way round (input for
// writing, output for reading), so using the stream fails as it did while it was closed, and a
// program that checks its output still finds it lost.
void occupy_closed_standard_streams();
