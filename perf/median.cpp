// The median of the numbers on standard input, one or more per line, for the shell scripts:
// they summarise with the very definition the programs use.
//   tilebench_median < times        prints "median min max count"
#include "common/exit_status.h"
#include "common/parse.h"
#include "stats/stats.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

static int run(int, char**)
{
    std::vector<double> values;
    for (std::string token; std::cin >> token;) {
        double value = 0.0;
        if (!parse_figure(token, value)) {
            std::fprintf(stderr, "tilebench_median: not a number: '%s'\n", quoted_token(token).c_str());
            return 2;
        }
        values.push_back(value);
    }
    if (values.empty()) {
        std::fprintf(stderr, "tilebench_median: no numbers on standard input\n");
        return 2;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    std::printf("%.6g %.6g %.6g %zu\n", median(values), *low, *high, values.size());
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_median", run, argc, argv);
}
