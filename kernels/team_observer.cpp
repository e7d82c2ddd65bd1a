#include "kernels/team_observer.h"

#include <omp.h>

#include <iostream>

namespace {

void print_line(int team, void*)
{
    std::cout << "Number of threads: " << team << std::endl;
}

void keep(int team, void* kept)
{
    *static_cast<int*>(kept) = team;
}

void print_line_and_keep(int team, void* kept)
{
    print_line(team, nullptr);
    keep(team, kept);
}

} // namespace

TeamObserver team_line_observer()
{
    return {print_line, nullptr};
}

TeamObserver team_keeper(int& team)
{
    return {keep, &team};
}

TeamObserver team_line_and_keeper(int& team)
{
    return {print_line_and_keep, &team};
}

void report_team(TeamObserver observer)
{
    if (omp_get_thread_num() == 0)
        observer.heard(omp_get_num_threads(), observer.context);
}
