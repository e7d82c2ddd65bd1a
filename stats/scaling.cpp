#include "stats/stats.h"

#include <limits>

double karp_flatt(double speed_up, int threads)
{
    if (threads < 2)
        return std::numeric_limits<double>::quiet_NaN();
    const double t = threads;
    return (1.0 / speed_up - 1.0 / t) / (1.0 - 1.0 / t);
}
