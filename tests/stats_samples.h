// Samples shared by the statistics tests: eight rounds of a sequential call and its parallel
// counterpart, timed together, whose speed-up is near 2.
#pragma once

#include <vector>

inline const std::vector<double> paired_sequential = {1.0, 1.2, 0.9, 1.1, 1.3, 1.0, 0.95, 1.05};
inline const std::vector<double> paired_parallel = {0.5, 0.61, 0.44, 0.56, 0.66, 0.5, 0.47, 0.52};
