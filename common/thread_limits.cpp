#include "common/thread_limits.h"

#include "common/platform.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

long long first_number(const std::string& text)
{
    std::istringstream in(text);
    long long value = -1;
    return (in >> value) && value >= 0 ? value : -1;
}

std::string allows(const char* what, long long new_threads, int threads)
{
    return "a team of " + std::to_string(threads) + " threads needs " + std::to_string(threads - 1) +
           " more threads, but " + what + " allows " + std::to_string(new_threads < 0 ? 0 : new_threads);
}

} // namespace

long long parse_stack_size(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    const std::size_t digits = at;
    long long value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && value < (1LL << 50))
        value = value * 10 + (text[at++] - '0');
    if (at == digits)
        return -1;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    long long unit = 1024;
    if (at < text.size()) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at++])));
        unit = c == 'B' ? 1 : c == 'K' ? 1024 : c == 'M' ? 1LL << 20 : c == 'G' ? 1LL << 30 : 0;
    }
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    return unit == 0 || at != text.size() ? -1 : value * unit;
}

ThreadLimits read_thread_limits()
{
    ThreadLimits limits;
    const SystemLimits system = read_system_limits();
    limits.process_threads = system.processes;
    limits.address_space = system.address_space;
    if (system.stack > 0)
        limits.stack_bytes = system.stack;
    for (const char* name : {"GOMP_STACKSIZE", "OMP_STACKSIZE"})
        if (const char* text = std::getenv(name)) {
            const long long bytes = parse_stack_size(text);
            if (bytes > 0)
                limits.stack_bytes = bytes;
            break;
        }
    set_task_limits(limits, read_text_file("/proc/sys/kernel/threads-max"), read_text_file("/sys/fs/cgroup/pids.max"),
                    read_text_file("/sys/fs/cgroup/pids.current"));
    return limits;
}

void set_task_limits(ThreadLimits& limits, const std::string& threads_max, const std::string& pids_max,
                     const std::string& pids_current)
{
    limits.system_threads = first_number(threads_max);
    const long long most = first_number(pids_max);
    const long long current = first_number(pids_current);
    // A limit lowered below what already runs leaves no room; a negative room would read as none.
    if (most >= 0 && current >= 0)
        limits.cgroup_tasks = most > current ? most - current : 0;
}

std::string thread_limit_problem(int threads, const ThreadLimits& limits, double other_bytes)
{
    if (threads <= 1)
        return std::string();
    const long long new_threads = threads - 1LL;
    if (limits.process_threads >= 0 && new_threads > limits.process_threads)
        return allows("the process limit (ulimit -u)", limits.process_threads, threads);
    if (limits.cgroup_tasks >= 0 && new_threads > limits.cgroup_tasks)
        return allows("the control group's task limit (pids.max)", limits.cgroup_tasks, threads);
    if (limits.system_threads >= 0 && new_threads > limits.system_threads)
        return allows("the system's thread limit (threads-max)", limits.system_threads, threads);
    if (limits.address_space >= 0 && limits.stack_bytes > 0) {
        const double room = static_cast<double>(limits.address_space) - other_bytes;
        const long long fit = room > 0 ? static_cast<long long>(room / static_cast<double>(limits.stack_bytes)) : 0;
        if (new_threads > fit)
            return allows("the address space left for thread stacks (ulimit -v)", fit, threads);
    }
    return std::string();
}
