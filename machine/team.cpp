#include "machine/team.h"

#include <omp.h>

int granted_team_size(int requested)
{
    int granted = 1;
#pragma omp parallel num_threads(requested)
    {
        if (omp_get_thread_num() == 0)
            granted = omp_get_num_threads();
    }
    return granted;
}
