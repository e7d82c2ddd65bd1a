// The team the OpenMP runtime actually grants for a request, which OMP_THREAD_LIMIT,
// OMP_DYNAMIC or a nested region can make smaller than asked.
#pragma once

// Opens one untimed team of `requested` threads and returns its size.
int granted_team_size(int requested);
