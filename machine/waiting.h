// How long the threads of this process waited, ready to run, for a CPU that other work held: the
// scheduler's own account of each thread. Another process in this system that takes a CPU from
// a team shows here in every call it touches, however briefly it runs; a host that takes the
// whole virtual CPU away does not, since the guest believes its thread ran, and the capacity
// probe is what sees that one.
#pragma once

#include <map>
#include <string>

// The wait in one thread's schedstat text ("<ns on a CPU> <ns waiting to run> <time slices>"),
// in seconds; NaN when the text is not of that form.
double schedstat_wait_seconds(const std::string& text);

// Each thread's wait so far, in seconds, by thread id; empty where the system keeps no such
// account (it is Linux's, and a kernel may be built without it).
std::map<long, double> thread_wait_seconds();

// The longest wait one thread gained between two readings, over the threads in both; NaN when
// either reading is empty.
double longest_new_wait(const std::map<long, double>& before, const std::map<long, double>& after);
