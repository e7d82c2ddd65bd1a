#include "scan/plan.h"

#include <numeric>
#include <utility>

std::vector<Configuration> plan_configurations(const std::vector<int>& thread_counts)
{
    std::vector<Configuration> configurations = {{false, 1}};
    for (int t : thread_counts)
        configurations.push_back({true, t});
    return configurations;
}

std::vector<std::size_t> round_order(std::size_t count, std::mt19937_64& generator)
{
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Fisher-Yates from the top; std::shuffle would leave the order to each library.
    for (std::size_t i = count; i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(generator() % i)]);
    return order;
}
