// The benchmark run: parameters, matrices, sequential baseline, thread sweep. Only the kernel
// call sits between the two clock readings; printing, summing and file writing stay outside.
#include "bench/bench.h"

#include "common/memory.h"
#include "common/platform_system.h"
#include "common/thread_limits.h"
#include "kernels/kernels.h"
#include "machine/machine.h"
#include "report/report.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// Times num_iter calls, printing the run line before and the time after each; returns the
// mean, which is not a number when num_iter is 0.
template <typename Call>
float mean_seconds_of_runs(const char* run_label, int num_iter, Call call)
{
    float total = 0.0f;
    for (int iteration = 0; iteration < num_iter; ++iteration) {
        std::cout << run_label << iteration << std::endl;
        const float seconds = measure_seconds(call);
        std::cout << "Temps d'Execution : " << seconds << std::endl;
        total += seconds;
    }
    return total / static_cast<float>(num_iter);
}

} // namespace

void run_benchmark()
{
    // --- parameters ---
    int size = 0, block_size = 0, num_iter = 0, max_threads = 0;
    std::string error;
    if (!read_parameters(std::cin, size, block_size, num_iter, max_threads, error))
        throw Refusal{exit_bad_input, error};
    const std::string shortfall = memory_shortfall(size, available_memory_bytes());
    if (!shortfall.empty())
        throw Refusal{exit_out_of_memory, shortfall};
    const int largest_team = max_threads > 2 ? max_threads - 1 : 1;
    const std::string too_many = thread_limit_problem(largest_team, read_thread_limits(), matrices_bytes(size));
    if (!too_many.empty())
        throw Refusal{exit_bad_input, "max_threads " + std::to_string(max_threads) + ": " + too_many};

    // --- matrices (kept until the process ends) ---
    Matrix A = nullptr, B = nullptr, C = nullptr;
    create_matrices(size, A, B, C);

    // --- sequential baseline ---
    const float baseline = mean_seconds_of_runs("Algorithme Sequentiel par block iteration : ", num_iter,
                                                [&] { multiply_blocked_sequential(A, B, C, size, block_size); });

    // --- thread sweep ---
    run_thread_sweep(A, B, C, size, block_size, num_iter, max_threads, baseline);
}

void run_thread_sweep(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_iter, int max_threads,
                      float baseline)
{
    // Said once per run, on standard error only: the console and out.csv stay as they are.
    if (max_threads > 2)
        print_warnings("tilebench",
                       oversubscription_warning(max_threads - 1, read_machine(load_topology()).physical_cores));
    bool team_warned = false;
    for (int t = 2; t < max_threads; ++t) {
        // The kernel prints its team line as always and keeps the team it printed, for the warning.
        int granted = t;
        const TeamObserver observer = team_line_and_keeper(granted);
        const float mean = mean_seconds_of_runs("Algorithme Parallele par block iteration : ", num_iter, [&] {
            multiply_blocked_parallel_observed(A, B, C, size, block_size, t, observer);
        });
        if (granted < t && !team_warned) {
            print_warnings("tilebench", team_warning({{t, granted}}));
            team_warned = true;
        }
        const ThreadCountFigures row = thread_count_figures(baseline, mean, t);
        append_result_row("out.csv", t, size, row.mean_seconds, row.speed_up, row.efficacity, row.real_efficacity);
    }
}
