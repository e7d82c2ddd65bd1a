// Parity and scaling of the kernel families, measured in one process with the kernels
// alternated run by run, so that a slow spell of a shared machine hits all of them alike.
//   tilebench_parity [n] [b] [rounds]      (defaults: 1024 64 7)
// Prints the median seconds of each kernel (parallel ones on teams of 1 and 2, with the team
// they got) and, per family, the ratios that matter: sequential against a team of 1 (parity)
// and of 2 (speed-up).
#include "common/exit_status.h"
#include "common/timing.h"
#include "kernels/kernels.h"
#include "perf/arguments.h"
#include "stats/stats.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// One kernel of a family on one team (0 for the sequential kernel).
struct Timed {
    const KernelFamily* family;
    int team;
    int granted; // the team the last call got; 1 for the sequential kernel
    std::vector<double> seconds;
};

std::string kernel_name(const Timed& t)
{
    return std::string(t.family->name) + (t.team > 0 ? "_parallel" : "_sequential");
}

double time_call(Timed& t, const KernelWorkload& w)
{
    if (t.team == 0)
        return measure_seconds([&] { t.family->sequential(w.A, w.B, w.C, w.n, w.b); });
    const TeamObserver observer = team_keeper(t.granted);
    return measure_seconds([&] { t.family->parallel(w.A, w.B, w.C, w.n, w.b, t.team, observer); });
}

void print_ratios(const std::vector<Timed>& timed)
{
    for (const Timed& s : timed) {
        if (s.team > 0)
            continue;
        for (const Timed& p : timed)
            if (p.team > 0 && p.family == s.family)
                std::printf("%s / %s on %d: %.3f\n", kernel_name(s).c_str(), kernel_name(p).c_str(), p.team,
                            median(s.seconds) / median(p.seconds));
    }
}

} // namespace

static int run(int argc, char** argv)
{
    KernelWorkload w;
    if (!read_kernel_workload(argc, argv, {1024, 64, 7}, "tilebench_parity [n] [b] [rounds]", w))
        return 2;
    std::vector<Timed> timed;
    for (const KernelFamily& family : kernel_families())
        for (int team : {0, 1, 2})
            timed.push_back({&family, team, 1, {}});
    for (int r = 0; r < w.count; ++r)
        for (Timed& t : timed)
            t.seconds.push_back(time_call(t, w));

    const double flops = 2.0 * w.n * w.n * static_cast<double>(w.n);
    std::printf("n %d, b %d, median of %d alternated rounds\n", w.n, w.b, w.count);
    for (const Timed& t : timed)
        std::printf("%-20s team %d  %.4f s  %.2f GFLOP/s\n", kernel_name(t).c_str(), t.granted, median(t.seconds),
                    flops / median(t.seconds) / 1e9);
    print_ratios(timed);
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_parity", run, argc, argv);
}
