// Whether the system lets a run create the threads its largest team needs, decided before
// anything is built: a thread that cannot be created mid-sweep ends the process inside the
// OpenMP runtime, after a baseline that may have taken minutes.
#pragma once

#include <string>

// What the system allows; -1 where there is no limit or it is not known.
struct ThreadLimits {
    long long process_threads = -1;    // RLIMIT_NPROC: threads and processes of this user
    long long system_threads = -1;     // /proc/sys/kernel/threads-max
    long long cgroup_tasks = -1;       // room left under the cgroup's pids.max
    long long address_space = -1;      // RLIMIT_AS, bytes
    long long stack_bytes = 8LL << 20; // what each new thread reserves
};

// Reads the limits in force for this process (OMP_STACKSIZE or GOMP_STACKSIZE, when set,
// gives the stack of the runtime's threads; otherwise the default thread stack).
ThreadLimits read_thread_limits();

// Sets system_threads and cgroup_tasks from the texts of threads-max, pids.max and pids.current
// (empty when the file is not there): -1 where a text is no count ("max", absent, garbage), and
// no room (0) in a control group already at or past its limit.
void set_task_limits(ThreadLimits& limits, const std::string& threads_max, const std::string& pids_max,
                     const std::string& pids_current);

// Empty when a team of `threads` fits beside other_bytes of address space already needed (the
// matrices); otherwise one line naming the limit and how many threads it allows. A team of T
// creates T - 1 threads: the caller is thread 0.
std::string thread_limit_problem(int threads, const ThreadLimits& limits, double other_bytes);

// A stack size as OMP_STACKSIZE writes it: a number with an optional B, K, M or G (K when
// none); -1 when the text is not one.
long long parse_stack_size(const std::string& text);
