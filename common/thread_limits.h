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

// What the system says about threads, as it says it, so that the reading can be tried on any
// machine's texts. Empty text means the source was not there to read.
struct ThreadLimitsReport {
    long long process_threads = -1; // RLIMIT_NPROC, -1 when unlimited
    long long address_space = -1;   // RLIMIT_AS in bytes, -1 when unlimited
    long long default_stack = -1;   // a new thread's stack in bytes, -1 when unknown
    std::string stack_setting;      // GOMP_STACKSIZE, or OMP_STACKSIZE when that one is not set
    std::string threads_max;        // /proc/sys/kernel/threads-max
    std::string cgroup_pids_max;    // pids.max of the process's cgroup ("max" when unlimited)
    std::string cgroup_pids_current;
};

// The limits a report gives: the stack setting, when it is a size, is the stack of the
// runtime's threads (otherwise the default thread stack); a cgroup already at or over its task
// limit leaves room for 0 threads, not "unknown".
ThreadLimits thread_limits_from(const ThreadLimitsReport& report);

// The limits in force for this process: its report, read.
ThreadLimits read_thread_limits();

// Empty when a team of `threads` fits beside other_bytes of address space already needed (the
// matrices); otherwise one line naming the limit and how many threads it allows. A team of T
// creates T - 1 threads: the caller is thread 0.
std::string thread_limit_problem(int threads, const ThreadLimits& limits, double other_bytes);

// A stack size as OMP_STACKSIZE writes it: a number with an optional B, K, M or G (K when
// none); -1 when the text is not one.
long long parse_stack_size(const std::string& text);
