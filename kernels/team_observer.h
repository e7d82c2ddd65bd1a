// How a parallel kernel tells its caller the team the OpenMP runtime actually granted, which
// OMP_THREAD_LIMIT, OMP_DYNAMIC or a nested region can make smaller than the request. The
// benchmark shows it as a console line; the tools that time kernels keep the number instead.
#pragma once

// Thread 0 of the team calls heard(team, context) once per kernel call, from inside the region
// and before its share of the work; no other thread touches the observer, so what it writes
// needs no lock, and the caller may read it once the kernel has returned.
struct TeamObserver {
    void (*heard)(int team, void* context);
    void* context;
};

// Writes "Number of threads: " and the team to standard output with a flushing end of line.
TeamObserver team_line_observer();

// Keeps the team in `team` and writes nothing.
TeamObserver team_keeper(int& team);

// Writes the line and keeps the team in `team`.
TeamObserver team_line_and_keeper(int& team);

// Called by every thread of a team: thread 0 alone tells the observer the size of its team. The
// others return at once; there is no barrier, so they start their work while thread 0 reports.
void report_team(TeamObserver observer);
