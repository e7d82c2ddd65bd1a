// tilebench: how much a tiled matrix product gains from OpenMP threads.
// Reads "size block_size num_iter max_threads" from standard input; appends rows to out.csv.
#include "bench/bench.h"
#include "common/platform.h"

int main()
{
    run_benchmark();
    pause_console();
    return 0;
}
