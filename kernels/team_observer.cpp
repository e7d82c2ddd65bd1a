#include "kernels/team_line.h"

#include <omp.h>

#include <iostream>

void print_team_line()
{
    if (omp_get_thread_num() == 0)
        std::cout << "Number of threads: " << omp_get_num_threads() << std::endl;
}
