#include "stats/stats.h"

#include <algorithm>
#include <limits>

double karp_flatt(double speed_up, int threads)
{
    if (threads < 2)
        return std::numeric_limits<double>::quiet_NaN();
    const double t = threads;
    return (1.0 / speed_up - 1.0 / t) / (1.0 - 1.0 / t);
}

double tile_bound(int n, int b, int threads)
{
    if (n <= 0 || b <= 0 || threads <= 0)
        return 1.0;
    const long long tiles = (static_cast<long long>(n) + b - 1) / b;
    const long long last_width = n - (tiles - 1) * static_cast<long long>(b);
    // Thread 0 holds tiles 0, t, 2t, ...: the most tiles, and the last tile only when the tile
    // count leaves it there; any thread with as many tiles but without the narrow last one
    // holds more columns, so take the widest of the busiest threads.
    const long long per_thread_max = (tiles + threads - 1) / threads;
    const long long threads_with_max = tiles - (per_thread_max - 1) * threads;
    const long long last_owner = (tiles - 1) % threads;
    long long busiest = per_thread_max * b;
    if (threads_with_max == 1 && last_owner == 0)
        busiest = (per_thread_max - 1) * b + last_width;
    return static_cast<double>(n) / static_cast<double>(std::min<long long>(busiest, n));
}

double row_bound(int n, int threads)
{
    if (n <= 0 || threads <= 0)
        return 1.0;
    const long long largest_block = (static_cast<long long>(n) + threads - 1) / threads;
    return static_cast<double>(n) / static_cast<double>(largest_block);
}
