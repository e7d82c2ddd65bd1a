// tilebench: how much a tiled matrix product gains from OpenMP threads.
// Reads "size block_size num_iter max_threads" from standard input; appends rows to out.csv.
#include "bench/bench.h"
#include "bench/command_line.h"
#include "common/platform_system.h"

#include <cstdio>
#include <iostream>

static int run(int argc, char** argv)
{
    const int answered = answer_arguments(argc, argv, std::cout, std::cerr);
    if (answered >= 0)
        return answered;
    // Standard output stays exactly the benchmark's; only a person at a terminal is told.
    if (is_terminal(0))
        std::fputs(waiting_hint, stderr);
    run_benchmark();
    pause_console();
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench", run, argc, argv);
}
