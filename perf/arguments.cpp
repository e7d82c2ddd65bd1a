#include "perf/arguments.h"

#include "common/parse.h"

#include <cstdio>
#include <string>

bool read_positive_arguments(int argc, char** argv, std::vector<int>& values, const char* usage)
{
    bool ok = argc - 1 <= static_cast<int>(values.size());
    for (int a = 1; ok && a < argc; ++a)
        ok = parse_int32(argv[a], values[static_cast<std::size_t>(a - 1)]) == ParseStatus::ok &&
             values[static_cast<std::size_t>(a - 1)] >= 1;
    if (!ok)
        std::fprintf(stderr, "usage: %s (each a whole number, 1 or more)\n", usage);
    return ok;
}

bool read_kernel_workload(int argc, char** argv, std::vector<int> defaults, const char* usage, KernelWorkload& workload)
{
    if (!read_positive_arguments(argc, argv, defaults, usage))
        return false;
    workload.n = defaults.at(0);
    workload.b = defaults.at(1);
    workload.count = defaults.at(2);
    workload.operands = program_operands(workload.n);
    workload.A = view(workload.operands.A);
    workload.B = view(workload.operands.B);
    workload.C = view(workload.operands.C);
    return true;
}
