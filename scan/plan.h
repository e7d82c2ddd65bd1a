// What a scan measures and in which order: the configurations, and a fresh seeded order of
// them for every round, so that a slow spell of the machine falls on all of them alike.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

struct Configuration {
    bool parallel = false; // false: the sequential kernel, the baseline
    int threads = 1;       // requested team; 1 for the sequential kernel
    int size = 0;          // order n of the call's matrices
    int block = 0;         // tile edge b the call is given
};

// The sequential baseline first, then the parallel kernel for each thread count, as given.
std::vector<Configuration> plan_configurations(const std::vector<int>& thread_counts);

// 0 .. count-1 in a random order drawn from generator: the same seed gives the same rounds on
// every platform (the shuffle takes its indices from the generator's raw output).
std::vector<std::size_t> round_order(std::size_t count, std::mt19937_64& generator);
