#include "common/thread_limits.h"

#include "common/parse.h"
#include "common/platform_files.h"
#include "common/platform_system.h"

#include <cctype>
#include <cstdlib>

namespace {

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

ThreadLimits thread_limits_from(const ThreadLimitsReport& report)
{
    ThreadLimits limits;
    limits.process_threads = report.process_threads;
    limits.address_space = report.address_space;
    if (report.default_stack > 0)
        limits.stack_bytes = report.default_stack;
    const long long setting = parse_stack_size(report.stack_setting);
    if (setting > 0)
        limits.stack_bytes = setting;
    limits.system_threads = leading_number(report.threads_max);
    const long long pids_max = leading_number(report.cgroup_pids_max);
    const long long pids_current = leading_number(report.cgroup_pids_current);
    // A limit lowered below what already runs leaves no room; a negative room would read as none.
    if (pids_max >= 0 && pids_current >= 0)
        limits.cgroup_tasks = pids_max > pids_current ? pids_max - pids_current : 0;
    return limits;
}

ThreadLimits read_thread_limits()
{
    ThreadLimitsReport report;
    const SystemLimits system = read_system_limits();
    report.process_threads = system.processes;
    report.address_space = system.address_space;
    report.default_stack = system.stack;
    // The first of the two that is set decides, even when it is not a size.
    for (const char* name : {"GOMP_STACKSIZE", "OMP_STACKSIZE"})
        if (const char* text = std::getenv(name)) {
            report.stack_setting = text;
            break;
        }
    report.threads_max = read_text_file("/proc/sys/kernel/threads-max");
    report.cgroup_pids_max = read_text_file("/sys/fs/cgroup/pids.max");
    report.cgroup_pids_current = read_text_file("/sys/fs/cgroup/pids.current");
    return thread_limits_from(report);
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
